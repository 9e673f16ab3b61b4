// What the choice of units changes on the page (page.js holds the labels
// that name the units), and the vehicles and fuel its lists offer: plain
// data that page.js and chart.js read. Metric is the
// window's units; in UK and US units the speed is typed in miles per hour
// and the frontal area in square feet, and the results are horsepower,
// gallons an hour (UK or US) and miles per gallon (the core converts them
// exactly). The names are those of the page's link ("u" in the fragment).
export const UNIT_SYSTEMS = ["m", "uk", "us"];

// The unit of each quantity where the page writes it next to a number.
export const SYMBOLS = {
  m: { speed: "km/h", power: "kW", fuel: "l/h", per100km: "l/100 km" },
  uk: { speed: "mph", power: "hp", fuel: "UK gal/h", per100km: "mpg (UK)" },
  us: { speed: "mph", power: "hp", fuel: "US gal/h", per100km: "mpg (US)" },
};

// The vehicles of the drag coefficient's and the frontal area's lists, the
// window's passenger car first: each one's name in Czech and English, its
// drag coefficient and its frontal area in m² and in ft², typical figures
// from the sources that docs/page.md names. No name holds a digit, as a
// field is read from its first digit on.
export const VEHICLES = [
  { cs: "Osobní automobil", en: "Passenger car", coef: "0.3", m2: "2.25", ft2: "24.22" },
  { cs: "Nákladní automobil", en: "Truck", coef: "0.9", m2: "10.2", ft2: "109.79" },
  { cs: "Motocykl s jezdcem", en: "Motorcycle with rider", coef: "0.9", m2: "0.7", ft2: "7.53" },
  { cs: "Závodní kolo s cyklistou", en: "Racing bicycle with rider", coef: "0.88", m2: "0.36", ft2: "3.9" },
  { cs: "Velomobil", en: "Velomobile", coef: "0.12", m2: "0.47", ft2: "5" },
];
// Petrol alone: the core's fuel density, 0.72 kg/l, is petrol's.
export const FUELS = [{ cs: "Benzin", en: "Petrol", heat: "45.22" }];

// The entries of the three lists in a language ("cs" or "en") and a unit
// system.
export function listEntries(language, units) {
  const area = units === "m" ? "m2" : "ft2";
  return {
    coef: VEHICLES.map((v) => `${v[language]} ${v.coef}`),
    heat: FUELS.map((f) => `${f[language]} ${f.heat}`),
    area: VEHICLES.map((v) => `${v[language]} ${v[area]}`),
  };
}

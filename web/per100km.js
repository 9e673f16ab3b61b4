// The third result, which only the page shows: the litres of fuel that air
// drag alone costs over 100 km, L = F / s × 100, computed by the core like
// the other two, or in UK and US units the miles per gallon that L gives.
// The page's field and the chart's third panel show it.

// Where L is no finite number (speed 0, or a result beyond a double's
// range), and for miles per gallon where L is 0 too (no fuel over any
// distance), the page shows a dash instead of the core's text.
const NO_VALUE = "\u2014";
const shown = ({ litresPer100km: litres, units }) => Number.isFinite(litres) && (units === "m" || litres !== 0);
export const per100kmText = (result) => (shown(result) ? result.per100kmText : NO_VALUE);

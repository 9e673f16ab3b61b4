// The third result, which only the page shows: the litres of fuel that air
// drag alone costs over 100 km, L = F / s × 100, computed by the core like
// the other two. The page's field and the chart's third panel show it.

// Where L is no finite number (speed 0, or a result beyond a double's
// range) the page shows a dash instead of the core's "inf" or "nan".
const NO_VALUE = "\u2014";
export const per100kmText = (result) => (Number.isFinite(result.per100km) ? result.per100kmText : NO_VALUE);

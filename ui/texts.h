// The texts the window and the page share, written once, in UTF-8. The
// resource script takes the caption and the labels (stored as UTF-16), the
// window's code the message boxes and list entries (compiled to
// Windows-1250), and the page's build its Czech texts (tools/web/texts.js
// reads this file: string literals, joined, and names defined here). The
// version is KALVOR_VERSION alone: a new version is this one edit.
#ifndef KALVOR_UI_TEXTS_H
#define KALVOR_UI_TEXTS_H

#define KALVOR_VERSION "1.0.1"

// The window's caption, which keeps the first version's number.
#define TEXT_CAPTION "Kalvor 1.0.0"

// The dialog's groups and labels.
#define TEXT_INPUT_GROUP "Zadání"
#define TEXT_SPEED_LABEL "Rychlost v kilometrech"
#define TEXT_COEF_LABEL "Součinitel odporu vzduchu"
#define TEXT_HEAT_LABEL "Spalné teplo paliva v MJ / kg"
#define TEXT_AREA_LABEL "Čelní plocha v m čtverečních"
#define TEXT_RESULT_GROUP "Výsledek"
#define TEXT_POWER_LABEL "Potřebná energie k vyrovnání odporu vzduchu v kW / h"
#define TEXT_FUEL_LABEL "Palivo potřebné na vyrovnání odporu vzduchu v litrech/h"
#define TEXT_NOTE "Odpor vzduchu roste z druhou mocninou rychlosti"

// The Help menu's items; the page shows them without the mnemonic's '&'.
#define TEXT_ABOUT_ITEM "&O programu..."
#define TEXT_INSTRUCTIONS_ITEM "&Návod"

// The lists' entries.
#define TEXT_COEF_ENTRY "Osobní automobil 0.3"
#define TEXT_HEAT_ENTRY "Benzin 45.22"
#define TEXT_AREA_ENTRY "Osobní automobil 2.25"

// The message boxes: captions, and texts whose lines are joined by "\n".
// (Laid out by hand: formatters align the line ends by bytes, not letters.)
// clang-format off
#define TEXT_ERROR_CAPTION "chyba"
#define TEXT_ERROR \
    "Text neobsahuje číslici\n" \
    "Vyplňte všechna políčka\n" \
    "v zadání"

#define TEXT_EXIT_CAPTION "Potvrzení ukončení"
#define TEXT_EXIT "Opravdu si přeješ ukončit tento program?"

#define TEXT_ABOUT_CAPTION "O programu Kalvor"
#define TEXT_ABOUT \
    "Version \n" \
    "Kalvor" KALVOR_VERSION "\n" \
    "Program je stále ve fázi testování, proto autor nenese žádnou odpovědnost " \
    "za případné chyby způsobené programem."

#define TEXT_INSTRUCTIONS_CAPTION "Návod"
#define TEXT_INSTRUCTIONS \
    "\n" \
    "Program je stále ve fázi testování, proto autor nenese\n" \
    " žádnou odpovědnost za případné chyby způsobené programem.\n" \
    "Do editačních polí zadáme hodnoty s desetinou tečkou.\n" \
    "Rychlost v kilometrech za hodinu.\n" \
    "Součinitel odporu vzduchu,dle druhu vozidla.\n" \
    "Spalné teplo se musí zadat v megaJoulech.\n" \
    "Čelní plocha se zadá v metrech čtverečních.\n" \
    "Pak zmáčkneme tlačítko OK a provedeme  výpočet."
// clang-format on

#endif  // KALVOR_UI_TEXTS_H

// Identifiers of Kalvor's resources, shared by the resource script and the
// window code.
#ifndef KALVOR_UI_RES_RESOURCE_H
#define KALVOR_UI_RES_RESOURCE_H

// Resources
#define IDD_HLAVNI 101  // main dialog template
#define IDB_POZADI 103  // background bitmap
#define IDI_IKONA 104   // application icon
#define IDR_MENU 105    // main menu

// Controls of IDD_HLAVNI (besides IDOK and IDCANCEL)
#define IDC_TLOUSTKA 1001    // label beyond the normal window width
#define IDC_RYCHLOST 1002    // speed, km/h
#define IDC_SOUCINITEL 1003  // drag coefficient
#define IDC_TEPLO 1004       // calorific value, MJ/kg
#define IDC_PLOCHA 1015      // frontal area, m^2
#define IDC_ENERGIE 3000     // result: power, kW
#define IDC_PALIVO 3001      // result: fuel rate, l/h

// Labels and group boxes, never addressed by the code. Stored as the 32-bit
// values 65535, 65534 and 65533 (not -1); the same value may occur on several
// controls.
#define IDC_POPISEK 65535
#define IDC_POPISEK2 65534
#define IDC_POPISEK3 65533

// Menu commands
#define IDM_UKONCIT 2000    // quit
#define IDM_OPROGRAMU 2001  // About box
#define IDM_NAVOD 2002      // instructions

#endif  // KALVOR_UI_RES_RESOURCE_H

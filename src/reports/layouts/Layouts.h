#pragma once

// The built-in layouts. Each call makes a fresh instance for one run.

#include "reports/model/ReportLayout.h"

// The vendor's web address in the page footers.
QString VendorWebAddress();

// Findings sheets, one per examination type: general, thyroid, neck vessels, lower-limb vessels.
// Named elements: "logo" (image), "panaszok", "szoveg", "velemeny" (texts).
ReportLayout qrMunkalap();
ReportLayout qrMunkalap2();
ReportLayout qrMunkalap3();
ReportLayout qrMunkalap4();
// The findings layout of an examination type (1 or less: general); an empty layout name for 5 or more.
ReportLayout FindingsLayout(int type);
// The text size of a result or opinion box for a text of that many characters: 9, 8 above 800, 7 above 1600.
double FindingsTextSize(qsizetype characters);

// Lists. Named elements: "idoszak" (the period label), "osszesen" and "mindosszesen" (the totals).
ReportLayout qrArbevetel();
ReportLayout qrFogyas();
ReportLayout qrOsszesen();
ReportLayout qrBongLista();

// Patients: the envelope (named image "logo"), the registered-mail slip, the patient list.
ReportLayout qrBoritek();
ReportLayout qrAjanlott();
ReportLayout qrUgyfel();

// The pictures drawn into the layouts.
Picture LogoPlaceholderPicture();
Picture ThyroidPicture();
Picture NeckArteryPicture();
Picture LegArteryPicture();

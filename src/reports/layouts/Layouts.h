#pragma once

// The built-in layouts. Each call makes a fresh instance for one run.

#include "reports/model/ReportLayout.h"

// The vendor's web address in the page footers.
QString VendorWebAddress();

// Findings sheets, one per examination type: general, thyroid, neck vessels, lower-limb vessels.
// Named elements: "logo" (image), "panaszok", "szoveg", "velemeny" (texts). The three texts are set
// smaller when they do not fit (the result and the opinion down to 7 pt), and what still does not fit
// continues on pages after the last line item, headed by the patient and the examination.
ReportLayout qrMunkalap();
ReportLayout qrMunkalap2();
ReportLayout qrMunkalap3();
ReportLayout qrMunkalap4();
// The findings layout of an examination type (1 or less: general); an empty layout name for 5 or more.
ReportLayout FindingsLayout(int type);
// The text size of a result or opinion box for a text of that many characters: 9, 8 above 800, 7 above 1600.
double FindingsTextSize(qsizetype characters);
// Sets the result and opinion boxes of a findings layout to the size their texts call for.
void SetFindingsTextSizes(ReportLayout& layout, const QString& findings, const QString& opinion);
// The captions of the texts ("Panaszok", "Vizsgálati eredmény", "Vélemény") that do not fit their boxes
// on the findings sheet of the type, even set smaller, and run onto a continuation page. Measures text,
// so it needs a QGuiApplication.
QStringList FindingsContinued(int type, const QString& complaints, const QString& findings,
                              const QString& opinion);

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

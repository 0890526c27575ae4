#pragma once

#include "core/Config.h"

#include <QString>
#include <QStringList>

class QWidget;

// Opens a test connection with the first five fields of a profile and its settings; on failure shows
// "Hiba: " and the error's text and gives false.
bool TestProfileConnection(const QString& profile, const ProfileOptions& options = {});

// The database chooser: the entry texts, their profiles and the profiles' settings in the same order.
// With one entry whose server answers, no dialog is shown. The chosen index, or -1.
int ChooseDatabase(const QStringList& entries, const QStringList& profiles,
                   const QList<ProfileOptions>& options, const QString& title, QWidget* parent = nullptr);

// The first-run connection dialog; true when a profile was entered and stored as ConStr1 (it is then
// also the profile of the settings record).
bool RunFirstConnectionDialog(QWidget* parent = nullptr);

// The splash window: shown at once, fades out after a second and frees itself.
QWidget* ShowSplash();

#pragma once

#include <QIcon>
#include <QPixmap>

// The program's pictures, drawn as SVG in the resources: icons by name ("print", "check", ...) and
// the splash logo.
QIcon SonoriaIcon(const QString& name);
QPixmap SonoriaPixmap(const QString& name, int size); // an icon at size x size pixels
QPixmap LogoPixmap(int size);                         // the splash picture

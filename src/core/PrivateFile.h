#pragma once

#include <QFileDevice>

// Files that hold patient data or passwords (backups, unpacked restore scripts, the configuration file)
// are readable and writable by their owner only. Called on the open file before its first byte, so that
// nobody else can open it while it fills.
inline bool MakeOwnerOnly(QFileDevice& file) {
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small file helpers shared by the tests that start the built program or look at files.

#include <QByteArray>
#include <QString>

// The build tree the test runs from (ctest sets MUNCHORA_BUILD_DIR), to find the program and
// the probes.
QString buildDir();

// A file's bytes, or "<unreadable>" so a failed comparison says what went wrong.
QByteArray contents(const QString& path);

// Writes bytes in place of whatever file is at path; false when that cannot be done.
bool put(const QString& path, const QByteArray& bytes);

// Files bigger than the limit cannot be written, even by root: a full disk on demand, for the
// life of the object.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(quint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    quint64 savedSoft_ = 0;
    quint64 savedHard_ = 0;
    void (*previous_)(int) = nullptr;
};

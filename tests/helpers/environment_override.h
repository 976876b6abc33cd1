// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An environment variable set for the life of an object: what was there before (or its
// absence) comes back at the end, also when a failed check leaves the test early.

#include <QByteArray>
#include <QString>

class EnvironmentOverride
{
public:
    EnvironmentOverride(const char* name, const QByteArray& value);
    EnvironmentOverride(const char* name, const char* value) : EnvironmentOverride(name, QByteArray(value)) {}
    // The value in the local 8-bit encoding, as file names are.
    EnvironmentOverride(const char* name, const QString& value) : EnvironmentOverride(name, value.toLocal8Bit()) {}
    ~EnvironmentOverride();
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

    // Another value, until the next one or the end.
    void set(const QByteArray& value);
    void set(const char* value) { set(QByteArray(value)); }
    void set(const QString& value) { set(value.toLocal8Bit()); }

private:
    QByteArray name_;
    bool had_;
    QByteArray old_;
};

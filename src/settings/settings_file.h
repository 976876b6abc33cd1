// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two files of the settings folder, byte for byte: programmiinglese.ini (voice number
// and speed) and leggimi.txt, the read-me that marks the folder as set up.

#include <QByteArray>
#include <QByteArrayView>
#include <QLoggingCategory>
#include <QString>

#include <optional>

Q_DECLARE_LOGGING_CATEGORY(lcSettings)

namespace SettingsFile {

inline constexpr char FolderName[] = "ImpostazioniProgrammiZerlino";
inline constexpr char FileName[] = "programmiinglese.ini";
inline constexpr char ReadmeName[] = "leggimi.txt";

// The maker's web site, named in the read-me and in the credits box.
inline constexpr char MakerHost[] = "munchora.example.org";

// The settings file is a dozen bytes; nothing past this is ever read.
inline constexpr qint64 ReadLimit = 4096;

struct Values
{
    qint16 voce;
    qint16 velocita;
};

// " 1 \r\n 135 \r\n": a blank (a minus for a negative number) in the sign's place, the
// digits, a blank, then CR LF, one number a line.
QByteArray format(qint16 voce, qint16 velocita);

// The first two numbers, blanks and line ends skipped around them. Nothing unless both are
// whole numbers that fit in 16 bits. 'wholeFile' is false when the bytes are only the start
// of a longer file: a number running into the cut is then not trusted.
std::optional<Values> parse(QByteArrayView bytes, bool wholeFile = true);

// The values the program runs with for a settings file that begins with these bytes (at most
// ReadLimit of them are looked at): its two numbers, or the defaults 1 and 135, and then
// 'fellBack' is set. 'wholeFile' as for parse.
Values valuesFor(QByteArrayView head, bool wholeFile, bool* fellBack = nullptr);

// Whether the bytes are a settings file and nothing else: two numbers, blanks around them.
bool isSettingsText(QByteArrayView bytes);

// The read-me's five lines in the Windows-1252 code page, each ended by CR LF.
QByteArray readme();

QString readmePath();

// The classroom preset a teacher puts in a system configuration folder
// (<dir>/ImpostazioniProgrammiZerlino/programmiinglese.ini, <dir> from $XDG_CONFIG_DIRS, else
// /etc/xdg): the path in the first folder where anything stands at that name, or empty.
// Read in place of the user's own file while the user has none; never written.
QString presetPath();
// The first file at relativePath ("munchora/munchora.conf") in the system's configuration
// folders (XDG_CONFIG_DIRS, else /etc/xdg), even a bad one; empty when none holds it.
QString systemConfigFile(const QString& relativePath);

} // namespace SettingsFile

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files and folders that someone else may have put in place (a classroom's shared speech, a
// school's or a teacher's units) are read only when they are trusted as OpenSSH trusts its own:
// owned by root or by this user and writable by nobody else, and for a folder every folder above
// it too, since whoever may write a folder above could put another folder in its place.

#include <QString>

struct stat;

namespace files {

struct Trust
{
    enum class Verdict {
        Trusted,
        NotAFolder,
        CannotLook,     // a folder above cannot be looked at
        OtherOwner,     // owned by neither root nor this user
        OthersMayWrite, // group or others may write it
    };
    Verdict verdict = Verdict::Trusted;
    QString above; // the folder above that failed; empty when it is the file or folder itself
    uint owner = 0;
    uint mode = 0; // the permission bits, 07777

    bool trusted() const { return verdict == Verdict::Trusted; }
};

// Owned by root or by this user, and writable by nobody else.
Trust judge(const struct stat& st);

// A folder's real path when it and every folder above it are trusted; else empty, and why. The
// real path is judged and then read, so no link on the way can be turned elsewhere later. A
// sticky folder above, as /tmp, lets nobody but the owner of an entry rename it, so others may
// write it.
QString trustedFolder(const QString& folder, Trust* why);

// The verdict in English, for the log: "it belongs to another user (uid 1001)".
QString describe(const Trust& trust);

// Opens a plain file to read without following a link at its last step and without waiting on
// a pipe: the descriptor (the caller closes it), its status in st; or -1 with errno set: ELOOP
// for a link, EISDIR for a folder, EINVAL for anything else that is not a plain file.
int openPlainFile(const QString& path, struct stat* st);

} // namespace files

# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by make_pictures.sh and make_animals.sh: the pictures' common settings, and the npm
# package fluentui-emoji 1.3.0 (MIT) unpacked in $PKG (or $PKG as given, to reuse an unpacked copy).
# Large enough for a 4K whiteboard; the program decodes them at the size it shows them.
SIZE=1024
QUALITY=90
VERSION=1.3.0

if [ -z "${PKG:-}" ]; then
    TMP=$(mktemp -d)
    trap 'rm -rf "$TMP"' EXIT
    (cd "$TMP" && npm pack "fluentui-emoji@$VERSION" >/dev/null && tar xzf "fluentui-emoji-$VERSION.tgz")
    PKG=$TMP/package
fi

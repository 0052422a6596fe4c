#!/bin/sh
# Checks the Debian package as Debian sees it: lintian finds no error or warning, it holds the files a
# user needs (the Install test checks them as `make install` puts them), its Depends names the Qt and
# sound libraries, and its changelog and AppStream data are at its version.
#   DebCheck.sh <package.deb>
set -eu
deb=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

lintian --fail-on error,warning "$deb" || fail "lintian"

dpkg-deb -x "$deb" "$stage"
doc=usr/share/doc/tavrin
metainfo=usr/share/metainfo/example.kestrel_review.tavrin.metainfo.xml
for file in usr/bin/tavrin usr/share/applications/tavrin.desktop "$metainfo" usr/share/man/man1/tavrin.1.gz \
    usr/share/icons/hicolor/64x64/apps/tavrin.png usr/share/tavrin/TR_special.8svx \
    usr/share/tavrin/locale/Catalogs/english/Tavrin.catalog "$doc/copyright" "$doc/changelog.gz" \
    usr/share/tavrin/skins/standard/TR0.png usr/share/tavrin/skins/standard/TR5.png; do
    [ -f "$stage/$file" ] || fail "$file missing"
done
head -n1 "$stage/$doc/copyright" | grep -q '^Format: ' || fail "copyright is not machine-readable"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6core6 libqt6gui6 libqt6widgets6 libasound2 libsndfile1 libcurl4; do
    echo ", $depends" | grep -q ", $package\b" || fail "Depends lacks $package: $depends"
done

version=$(dpkg-deb -f "$deb" Version)
zcat "$stage/$doc/changelog.gz" | head -n1 | grep -q "^tavrin ($version) " || fail "changelog is not at $version"
grep -q "<release version=\"$version\"" "$stage/$metainfo" || fail "AppStream data lacks release $version"
echo "package: ok ($deb)"

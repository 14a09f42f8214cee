#!/usr/bin/env bash
# The Debian package made from this build: its files and dependencies, the program
# extracted from it importing a waiting file headless, and lintian's verdict.
# Exits 77 (skipped) where dpkg-deb is missing.
set -euo pipefail
build=$(cd "$1" && pwd)
if ! command -v dpkg-deb > /dev/null; then
    echo "dpkg-deb is missing: no package can be made here"
    exit 77
fi
work=$(mktemp -d /tmp/zalvert-package.XXXXXX)
program=""
cleanup() {
    [ -n "$program" ] && kill "$program" 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

echo "== The package, from the build in $build =="
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/zalvert-importer_*_amd64.deb)
echo "$deb"

echo "== Its files =="
dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' | tee "$work/files"
for path in ./opt/zalvert-importer/zalvert-importer ./opt/zalvert-importer/zalvert-newdb \
    "./opt/zalvert-importer/zalvert-importer.ini -> /etc/zalvert-importer/zalvert-importer.ini" \
    ./etc/zalvert-importer/zalvert-importer.ini \
    "./usr/bin/zalvert-importer -> /opt/zalvert-importer/zalvert-importer" \
    "./usr/bin/zalvert-newdb -> /opt/zalvert-importer/zalvert-newdb" \
    ./usr/share/applications/zalvert-importer.desktop \
    ./usr/share/metainfo/de.zalvert.importer.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/zalvert-importer.svg \
    ./usr/share/icons/hicolor/48x48/apps/zalvert-importer.png \
    ./usr/share/doc/zalvert-importer/copyright ./usr/share/doc/zalvert-importer/changelog.gz; do
    grep -qxF "$path" "$work/files" || fail "no $path in the package"
done
[ "$(dpkg-deb -f "$deb" Package)" = zalvert-importer ] || fail "package name"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | grep -qx /etc/zalvert-importer/zalvert-importer.ini ||
    fail "the settings file is no conffile"

echo "== Its dependencies =="
depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends"
for package in libqt6widgets6 libqt6printsupport6 libsqlite3-0 libicu72 libodbc2 libjemalloc2 \
    libxlsxwriter4 qt6-qpa-plugins qt6-translations-l10n; do
    [[ "$depends" == *"$package"* ]] || fail "no dependency on $package"
done

echo "== The extracted program imports a waiting file =="
root="$work/root"
dpkg-deb -x "$deb" "$root"
grep -q "^Name=Zalvert Importer$" "$root/usr/share/applications/zalvert-importer.desktop" ||
    fail "desktop entry"
data="$work/data"
mkdir -p "$data/import" "$data/archiv"
"$root/opt/zalvert-importer/zalvert-newdb" "$data/zalvert.db" "Nordfracht" > /dev/null
# Beside the extracted program, where the installed one finds its link to /etc.
rm "$root/opt/zalvert-importer/zalvert-importer.ini"
printf '[DB]\nMain=%s\n[Import]\nmaxspalte=5\npfad=%s/\narchiv=%s/\next=*.csv\n' \
    "$data/zalvert.db" "$data/import" "$data/archiv" > "$root/opt/zalvert-importer/zalvert-importer.ini"
printf 'Nordfracht;Kunde Süd;03.12.2026;04.12.2026;T17\r\nFremd;Kunde;03.12.2026;;T18\r\n' \
    > "$data/import/touren.csv"
touch -d '2 minutes ago' "$data/import/touren.csv"
QT_QPA_PLATFORM=offscreen ZALVERT_UNATTENDED_LOG="$work/meldungen.log" \
    "$root/opt/zalvert-importer/zalvert-importer" > "$work/program.log" 2>&1 &
program=$!
for _ in $(seq 1 300); do
    compgen -G "$data/archiv/touren-*.abgelehnt.csv" > /dev/null && break
    kill -0 "$program" 2> /dev/null || { cat "$work/program.log"; fail "the program ended"; }
    sleep 0.2
done
compgen -G "$data/archiv/touren-*.abgelehnt.csv" > /dev/null ||
    { cat "$work/program.log" "$work/meldungen.log" 2> /dev/null; fail "nothing archived in 60 s"; }
kill "$program"
wait "$program" 2> /dev/null || true
program=""
ls "$data/archiv"
[ -z "$(ls "$data/import")" ] || fail "the file is still in the import folder"
stored=$(sqlite3 "$data/zalvert.db" "SELECT Recan || '/' || Tour FROM Zalvert")
[ "$stored" = "Kunde Süd/T17" ] || fail "stored: $stored"

echo "== lintian =="
if command -v lintian > /dev/null; then
    lintian "$deb" 2>&1 | grep -v "running with root privileges" | tee "$work/lintian.log" || true
    ! grep -q "^E:" "$work/lintian.log" || fail "lintian reports errors"
else
    fail "lintian is missing (scripts/install-deps.sh installs it)"
fi
echo "The package is complete."

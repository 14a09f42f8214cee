#!/usr/bin/env bash
# Lays out the demo workspace beside the executable in the build folder given:
# the INI file named after the executable, a database with a few accepted
# companies (when there is none), an import folder with a sample file (when it
# holds none) and an archive folder. An existing INI file is kept.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
demo="$build/demo"
mkdir -p "$demo/import" "$demo/archiv"

ini="$build/zalvert-importer.ini"
if [ ! -f "$ini" ]; then
    cat > "$ini" <<INI
[DB]
Main=$demo/zalvert.db
Pass=

[Import]
maxspalte=5
pfad=$demo/import/
archiv=$demo/archiv/
ext=*.csv
INI
fi

if [ ! -f "$demo/zalvert.db" ]; then
    "$build/zalvert-newdb" "$demo/zalvert.db" "Spedition Müller" "Nordfracht" "Kraus & Söhne"
fi

if ! compgen -G "$demo/import/*.csv" > /dev/null; then
    # Exported from Windows: Windows-1252 text with CR LF line ends.
    printf '%b\r\n' \
        'Spedition M\xfcller GmbH;Autohaus Schneider KG;03.12.2018;04.12.2018;T17' \
        'Spedition M\xfcller GmbH;B\xe4ckerei Wei\xdf;05.12.2018;05.12.2018;T04' \
        '"Kraus & S\xf6hne; Logistik";Getr\xe4nkemarkt Ost;10.12.2018;11.12.2018;T22' \
        'Nordfracht AG;Baumarkt Hansen;12.12.2018;14.12.2018;T09' \
        'Unbekannte Firma;Kunde Nord;12.12.2018;13.12.2018;T01' \
        'Nordfracht AG;Kunde S\xfcd;;13.12.2018;T02' > "$demo/import/touren.csv"
fi
echo "Demo workspace: $demo (settings in $ini)"

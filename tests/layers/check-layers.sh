#!/usr/bin/env bash
# The engine's layers as the includes show them: the shared core knows neither
# back end, neither back end knows the other, and the program outside engine/
# sees only the public model. Prints every include that crosses a line.
set -uo pipefail
cd "$(dirname "$0")/../.."
failed=0
crossing() {  # folder, pattern of includes it must not have
    local found
    found=$(grep -rnE "#include \"($2)" "$1" --include=*.h --include=*.cpp)
    if [[ -n "$found" ]]; then
        echo "$1 must not include $2:"
        echo "$found"
        failed=1
    fi
}
crossing engine/core 'engine/(sqlite|odbc)/'
crossing engine/sqlite 'engine/odbc/'
crossing engine/odbc 'engine/sqlite/'
for folder in app config dao data dataset import rtl views widgets; do
    crossing "$folder" 'engine/(core|sqlite|odbc)/'
done
exit $failed

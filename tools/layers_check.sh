#!/bin/sh
# The house's layers, checked on the sources: the engine (the format and text at the bottom, the
# readers, recovery, browsing, facts, analysis, reports, exports) includes nothing of the job,
# the session, the command line, the windows, the Python module or the web page; the session
# nothing of the faces; only the windows include Qt (and the benchmarks and tests that drive
# them); nothing outside tests/ includes from tests/; the format and text folders include only
# each other.
#   layers_check.sh SOURCE_DIR
set -u
cd "${1:?usage: layers_check.sh SOURCE_DIR}" || exit 2
failures=0
complain() { echo "FAIL: $*"; failures=$((failures + 1)); }
sources() { find "$@" \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null; }

engine="./analyzer ./browse ./carve ./detect ./export ./facts ./hive ./host ./image ./recover ./report ./salvage ./stage ./text
        ./timeline"
for file in $(sources $engine); do
  grep -HnE '#include[[:space:]]*"(cli|ui|python|web|job|session|tests)/' "$file" && complain "$file includes from a layer above the engine"
done
for file in $(sources ./session); do
  grep -HnE '#include[[:space:]]*"(cli|ui|python|web|tests)/' "$file" && complain "$file (the session) includes from a face"
done
for file in $(sources ./hive ./text); do
  grep -HnE '#include[[:space:]]*"[a-z_]+/' "$file" | grep -vE '"(hive|text)/' && complain "$file (format or text) includes from above"
done
for file in $(sources . | grep -vE '^\./(ui|bench|tests|build[^/]*)/'); do
  grep -HnE '#include[[:space:]]*<Q[A-Za-z]' "$file" && complain "$file includes Qt outside ui/"
done
for file in $(sources . | grep -vE '^\./(tests|build[^/]*)/'); do
  grep -HnE '#include[[:space:]]*"tests/' "$file" && complain "$file includes from tests/"
done
[ "$failures" -eq 0 ] || exit 1
echo "layers: the engine includes nothing above it; Qt only in ui/; tests/ only in tests"

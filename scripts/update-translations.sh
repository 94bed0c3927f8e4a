#!/usr/bin/env bash
# Refreshes app/translations/orvikjoint_en.ts from the sources: new texts are
# added unfinished (to be translated in Qt Linguist or by hand), vanished ones
# are marked obsolete. The build compiles the .ts; nothing else reads it.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate -no-obsolete -locations none app ui core -ts app/translations/orvikjoint_en.ts

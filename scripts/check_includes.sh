#!/usr/bin/env bash
# Fails on an include that points the wrong way: each folder may include
# its own headers and those of the folders listed beside it, and no other
# folder of the project's. Library headers (<...>) are not checked here.
#   scripts/check_includes.sh [SOURCE_DIR]
set -euo pipefail
top=${1:-$(cd "$(dirname "$0")/.." && pwd)}

core="kernels counts input model fit stats analysis"
declare -A allowed=(
    [kernels]=""
    [counts]="kernels"
    [input]="kernels counts"
    [model]="kernels counts"
    [fit]="kernels counts input model"
    [stats]="kernels counts input model fit"
    [analysis]="kernels counts input model fit stats"
    [charts]="$core"
    [report]="$core charts"
    [framework]=""
    [res]="framework"
    [dialogs]="framework res"
    [results]="$core charts report framework res dialogs"
    [app]="$core charts report framework res dialogs results"
    [tools]="$core charts report"
)

status=0
for folder in "${!allowed[@]}"; do
    [ -d "$top/$folder" ] || continue
    while IFS=: read -r file line text; do
        target=$(sed -E 's/^#include "([a-z]+)\/.*/\1/' <<<"$text")
        [ "$target" = "$folder" ] && continue
        case " ${allowed[$folder]} " in
        *" $target "*) ;;
        *)
            echo "${file#"$top/"}:$line: $folder/ may not include $target/: $text"
            status=1
            ;;
        esac
    done < <(grep -rnE '^#include "[a-z]+/' "$top/$folder" --include='*.h' --include='*.cpp' || true)
done
[ $status -eq 0 ] && echo "includes point one way in ${#allowed[@]} folders"
exit $status

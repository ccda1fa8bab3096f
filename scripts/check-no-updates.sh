#!/usr/bin/env bash
# Checks that a build configured with -DMOMENTRA_SELF_UPDATE=OFF carries
# nothing of the update component.
#   scripts/check-no-updates.sh MOMENTRA_EXECUTABLE
# 1. No class of the component is linked into the executable.
# 2. There is no `update` command and the help names none.
# The Updates tab, the panel row and the About line depend on the same
# switch at compile time; tst_SettingsWindow and tst_MenuPanel check them.
set -euo pipefail
momentra="$1"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

classes='Updater|UpdateComponent|UpdateSettings|UpdateScheduler|UpdateReminders|UpdateFeed|FeedSignature'
classes+='|UpdatesTab|UpdateAnswerWindow|UpdateCommand|NetworkUpdateTransport|DesktopUpdateNotifier'
linked=$(nm -C --defined-only "$momentra" | grep -Eo "\b($classes)::" | sort -u || true)
[ -z "$linked" ] || fail "the executable holds the update component: $(echo $linked)"
nm -D "$momentra" | grep -q sodium && fail "the executable links libsodium"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache" \
    XDG_DATA_HOME="$scratch/data" XDG_STATE_HOME="$scratch/state" QT_QPA_PLATFORM=offscreen
help=$("$momentra" --help 2>&1 || true)
grep -qw update <<<"$help" && fail "momentra --help names an update command"
if answer=$(timeout 20 "$momentra" update --check 2>&1); then
    fail "momentra update --check succeeded"
fi
grep -q 'unknown command "update"' <<<"$answer" || fail "momentra update --check answered: $answer"

[ "$failures" -eq 0 ] || exit 1
echo "no update component"

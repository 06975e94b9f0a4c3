#!/bin/sh
# A desktop notification when a run ends or an error stops it.
#   plyx3 ONRUNEND=/path/to/desktop-notification.sh
# notify-send (Debian package libnotify-bin) reaches the desktop of the
# user the program runs for.
title="PLYX3 $PLYX3_PORT: run $PLYX3_OUTCOME"
body="$PLYX3_SHELL_FILE ($PLYX3_KIND), layer $PLYX3_LAYERS_REACHED of $PLYX3_LAYERS_PLANNED, $PLYX3_TAPE_LAID_FT of $PLYX3_TAPE_PLANNED_FT ft, $PLYX3_DURATION_S s"
urgency=normal
if [ -n "$PLYX3_ERROR_NUMBER" ]; then
    urgency=critical
    body="$body
Error $PLYX3_ERROR_NUMBER: $PLYX3_ERROR_TEXT"
fi
exec notify-send --urgency="$urgency" --app-name=PLYX3 "$title" "$body"

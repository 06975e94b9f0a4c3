#!/bin/sh
# An e-mail through the system's mail command (Debian: bsd-mailx or
# mailutils, with a working mail transfer agent) when a run ends or an
# error stops it.
#   PLYX3_MAIL_TO=shop@example.com plyx3 ONERROR=/path/to/mail.sh
to="${PLYX3_MAIL_TO:-$(id -un)}"
subject="PLYX3 $PLYX3_PORT: run $PLYX3_OUTCOME"
{
    echo "Port:          $PLYX3_PORT"
    echo "Model:         $PLYX3_MODEL"
    echo "Shell file:    $PLYX3_SHELL_FILE ($PLYX3_KIND)"
    echo "Started:       $PLYX3_START, ran $PLYX3_DURATION_S s"
    echo "Outcome:       $PLYX3_OUTCOME"
    echo "Layers:        $PLYX3_LAYERS_REACHED of $PLYX3_LAYERS_PLANNED"
    echo "Tape (ft):     $PLYX3_TAPE_LAID_FT of $PLYX3_TAPE_PLANNED_FT"
    if [ -n "$PLYX3_ERROR_NUMBER" ]; then
        echo "Error:         $PLYX3_ERROR_NUMBER"
        echo "               $PLYX3_ERROR_TEXT"
    fi
    echo "Record:        $PLYX3_RECORD"
} | mail -s "$subject" "$to"

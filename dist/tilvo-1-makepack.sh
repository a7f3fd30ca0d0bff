#!/bin/sh
# Makes a Tilvo-1 picture pack from photos: tilvo-1-makepack [--title NAME] OUT.zip PICTURE...
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/tilvo-1/tobex" makepack "$@"

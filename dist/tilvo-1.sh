#!/bin/sh
# Starts Tilvo-1 from its private folder, which holds the program beside its data.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/tilvo-1/tilvo" "$@"

#!/usr/bin/env bash
# Kept for habit: fuzzing the host is one case of scripts/fuzz.sh.
exec bash "$(dirname "$0")/fuzz.sh" host

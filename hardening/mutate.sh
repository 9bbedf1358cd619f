#!/usr/bin/env bash
# Mutation check: changes one operator or integer constant at a time in src/,
# rebuilds, runs the tests, and prints how many mutants the tests killed.
#
#   hardening/mutate.sh [--seed N] [--count N] [--jobs N] [--tree DIR]
#                       [--rev REV] [--report FILE] [--keep]
#
#   --seed N       seed of the choice of mutants (default 1): the same seed
#                  on the same tree gives the same mutants
#   --count N      mutants (default 60), distinct sites chosen at random
#   --jobs N       build and test jobs (default 2)
#   --tree DIR     the git tree to copy (default the one holding this script)
#   --rev REV      copy revision REV of that tree (`git archive`) instead of
#                  its working tree (tracked and untracked files that git does
#                  not ignore, uncommitted changes included: the default)
#   --report FILE  also write the summary to FILE
#   --keep         keep the scratch copy and its build
#
# Everything happens in a scratch copy under $TMPDIR (or /tmp), which is
# built once unmutated (Release, Ninja) and must pass its tests; the tree
# itself is never changed. Sites: binary <, <=, >, >=, ==, !=, &&, ||, +, -,
# &, |, <<, >> (each swapped with its partner: < and <=, + and -, ...) and
# integer constants (one up or down) in src/ outside comments, literals and
# preprocessor lines, platform_win32.cpp left out. A mutant is killed when a
# test fails or the run exceeds its time limit, survives when all pass, and
# has "no code change" when the program and test binaries come out
# byte-identical to the unmutated ones (a branch not compiled here, a
# constant folded away); those are left out of the share killed.
set -euo pipefail
case ${1:-} in -h|--help) sed -n '2,28p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;; esac
exec python3 "$(dirname "$0")/mutate.py" "$@"

#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Keeps the manual page kwrecover(1) true to the program: every command that
# `kwrecover --help` shows has a SYNOPSIS line and a COMMANDS entry, every
# option on a command's help line is on its SYNOPSIS line, every option any
# `kwrecover [COMMAND] --help` shows is in OPTIONS, and the page names no
# command or option the program does not have. Each failure says which
# command or option is missing where.
#   check_manpage.sh KWRECOVER PAGE    (PAGE: the page's source, kwrecover.1.in)
set -euo pipefail
kwrecover=$1
page=$2
name=$(basename "$page" .in)
failures=0
fail() {
  echo "$name: $*"
  failures=$((failures + 1))
}

# The page without groff's escapes for dashes and fonts.
text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")
# section NAME: the lines of one .SH section.
section() { awk -v s=".SH $1" '$0 == s {f = 1; next} /^\.SH / {f = 0} f' <<<"$text"; }
# Option words (-o, --report) in stdin, one per line.
options_in() { grep -oE '(^|[^[:alnum:]-])--?[a-z][a-z-]*' | sed -E 's/^[^-]//' | sort -u || true; }
# synopsis_of COMMAND: the page's SYNOPSIS lines of that command.
synopsis_of() { section SYNOPSIS | awk -v c="$1" '$1 == ".B" && $2 == "kwrecover" {f = ($3 == c)} /^\.br/ {f = 0} f'; }

help=$("$kwrecover" --help) || { echo "kwrecover --help failed"; exit 1; }
# The first line of each entry under "Commands:" in the help.
help_commands=$(awk '/^Commands:/ {f = 1; next} /^[^ ]|^$/ {f = 0} f && /^  [a-z]/' <<<"$help")
page_commands=$(section SYNOPSIS | awk '$1 == ".B" && $2 == "kwrecover" && $3 != "" {print $3}')
page_entries=$(section COMMANDS | awk 'prev == ".TP" {print $2} {prev = $1}')
page_options=$(section OPTIONS | options_in)
all_help_options=$(options_in <<<"$help")
# check_options SOURCE OPTIONS...: each option must be in OPTIONS; each is
# checked once, under the first help that shows it.
checked=""
check_options() {
  local source=$1 option
  shift
  for option in "$@"; do
    grep -qxF -- "$option" <<<"$checked" && continue
    checked+=$'\n'$option
    grep -qxF -- "$option" <<<"$page_options" || fail "option $option (shown by '$source') is missing from OPTIONS"
  done
}
check_options "kwrecover --help" $(options_in <<<"$help")

while read -r command rest; do
  [ -n "$command" ] || continue
  grep -qxF "$command" <<<"$page_commands" ||
    fail "command '$command' (shown by 'kwrecover --help') has no SYNOPSIS line '.B kwrecover $command'"
  grep -qxF "$command" <<<"$page_entries" ||
    fail "command '$command' (shown by 'kwrecover --help') has no entry in COMMANDS"
  synopsis_options=$(synopsis_of "$command" | options_in)
  for option in $(options_in <<<"$rest"); do
    grep -qxF -- "$option" <<<"$synopsis_options" ||
      fail "option $option of command '$command' (on its line in 'kwrecover --help') is missing from its SYNOPSIS line"
  done
  command_help=$("$kwrecover" "$command" --help) || fail "'kwrecover $command --help' failed"
  all_help_options+=$'\n'$(options_in <<<"$command_help")
  check_options "kwrecover $command --help" $(options_in <<<"$command_help")
done <<<"$help_commands"

for command in $page_commands; do
  grep -qE "^  $command( |$)" <<<"$help_commands" ||
    fail "the SYNOPSIS names command '$command', which 'kwrecover --help' does not show"
done
for option in $(options_in <<<"$text"); do
  grep -qxF -- "$option" <<<"$all_help_options" ||
    fail "the page names option $option, which no 'kwrecover [COMMAND] --help' shows"
done

[ "$failures" -eq 0 ] || exit 1
echo "$name: every command and option of kwrecover --help is on the page, and no other"

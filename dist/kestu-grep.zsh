#compdef kestu-grep
# zsh completion for kestu-grep

local -a codes
codes=(0 1 2 3 4 5 6 auto sjis euc-jp iso-2022-jp utf-7 utf-8 utf-8n)

_arguments -s -S \
  '(-b --recursive)'{-b,--recursive}'[walk subfolders]' \
  '(-l --max-depth)'{-l+,--max-depth=}'[depth limit (0 = none)]:depth:(0 1 2 3 4 5 8 16 32 64)' \
  '(-i --ignore-case)'{-i,--ignore-case}'[ignore letter case]' \
  '(-W --ignore-width)'{-W,--ignore-width}'[full-width and half-width forms match]' \
  '(-K --ignore-kana)'{-K,--ignore-kana}'[hiragana and katakana match]' \
  '(-r --regex)'{-r,--regex}'[TEXT is a regular expression]' \
  '(-c --code)'{-c+,--code=}'[character code]:code:($codes)' \
  '(-f --filter)'{-f+,--filter=}'[extension filter]:list:("*" "*.txt" "*.txt,*.html,*.htm")' \
  '*--exclude-dir=[do not enter subfolders matching]:pattern:' \
  '(-L --follow)'{-L,--follow}'[enter links to folders]' \
  '(-j --jobs)'{-j+,--jobs=}'[files searched side by side]:number:' \
  '(-A --after-context)'{-A+,--after-context=}'[lines after each hit]:lines:' \
  '(-B --before-context)'{-B+,--before-context=}'[lines before each hit]:lines:' \
  '(-C --context)'{-C+,--context=}'[lines around each hit]:lines:' \
  '(-w --word-regexp)'{-w,--word-regexp}'[hits with no ASCII word character beside them]' \
  '(-o --only-matching)'{-o,--only-matching}'[print the hit only]' \
  '(-m --max-count)'{-m+,--max-count=}'[at most N hits per file]:number:' \
  '(-q --quiet)'{-q,--quiet}'[no output, exit 0 at the first hit]' \
  '(-s --no-messages)'{-s,--no-messages}'[no lines for unreadable files]' \
  '--null[NUL after each path of --files-with-matches and --count]' \
  '(-H --with-filename --no-filename)'{-H,--with-filename}'[show the path (default)]' \
  '(-H --with-filename --no-filename)--no-filename[do not show the path]' \
  '--count[hits per file]' \
  '--files-with-matches[paths of files with hits only]' \
  '--json[one JSON object per hit]' \
  '--color=[colour the hits]:when:(auto always never)' \
  '--output-encoding=[code of the output]:code:(utf-8 sjis euc-jp)' \
  '--hyperlink=[link each path to its file]:when:(auto always never)' \
  '--min-filesize=[only files of at least SIZE]:size:(100K 1M 10M 100M 1G)' \
  '--max-filesize=[only files of at most SIZE]:size:(100K 1M 10M 100M 1G)' \
  '--newer=[only files changed at or after DATE]:date:(30m 12h 1d 7d 30d)' \
  '--older=[only files changed at or before DATE]:date:(30m 12h 1d 7d 30d)' \
  '(- *)'{-h,--help}'[show the help]' \
  '(- *)--version[show the version]' \
  '1:search text:' \
  '*:target:_files'

#!/usr/bin/env bash
# Seconds LibreOffice takes to open and convert each given document to PDF
# (headless, a private profile made once before the timed runs), beside the
# batch benchmark's seconds per report: "tools/time_soffice.sh A.docx B.docx".
# Needs Debian's libreoffice-writer-nogui.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 DOCUMENT..." >&2; exit 2; }
command -v soffice >/dev/null || { echo "$0: soffice not found (libreoffice-writer-nogui)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
profile="file://$work/profile"
lo() { soffice "-env:UserInstallation=$profile" --headless --norestore --convert-to pdf --outdir "$work/out" "$@" >/dev/null 2>&1; }

# The first start builds the profile; that is not what a user waits for each time.
lo "$1"
for doc in "$@"; do
  start=$(date +%s.%N)
  lo "$doc"
  end=$(date +%s.%N)
  pages=$(pdfinfo "$work/out/$(basename "${doc%.*}").pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')
  awk -v d="$(basename "$doc")" -v s="$start" -v e="$end" -v p="${pages:-?}" 'BEGIN { printf "%s: %.2f s, %s pages\n", d, e - s, p }'
done

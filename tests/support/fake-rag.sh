#!/bin/sh
# A stand-in for rag in workflow tests. FAKE_RAG_MODE picks the behaviour:
#   answer (default)  log on stderr, two answer lines with a citation, exit 0
#   slow              like answer, but waits FAKE_RAG_DELAY seconds after the first answer line
#   fail              one log line, then exit 3
#   file              prints the file FAKE_RAG_OUTPUT as the answer
case "$1" in
  status) echo "corpus: fake"; exit 0 ;;
  ingest) echo "INFO ingested $2" >&2; exit 0 ;;
esac
mode="${FAKE_RAG_MODE:-answer}"
echo "INFO retrieving for: $2" >&2
if [ "$mode" = fail ]; then
  exit 3
fi
if [ "$mode" = file ]; then
  exec cat "$FAKE_RAG_OUTPUT"
fi
echo "Taxes are due in April. [來源: tax.pdf p. 2]"
if [ "$mode" = slow ]; then
  sleep "${FAKE_RAG_DELAY:-2}"
fi
echo "Smith filed late. [來源: notes.pdf p. 1]"
echo "INFO done" >&2
exit 0

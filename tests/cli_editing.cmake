# quillon-cli format, validate and source end to end, compared byte for byte with the files in
# cli/editing/expected (quillon_cli_editing_case: cli/CliCase.cmake).
if(TARGET quillon-cli)
  quillon_cli_editing_case(format.basic RC 0 STDOUT basic.formatted.xml STDERR - ARGS format basic.xml)
  # formatting the formatted text again changes nothing
  quillon_cli_editing_case(format.again RC 0 STDOUT basic.formatted.xml STDERR - ARGS format ../expected/basic.formatted.xml)
  quillon_cli_editing_case(format.cp1250-to-file RC 0 STDOUT - STDERR - FILE cp1250.formatted.xml
                           ARGS format cp1250.xml -o @OUT@)
  quillon_cli_editing_case(format.utf16-bom RC 0 STDOUT utf16-bom.formatted.xml STDERR - ARGS format utf16-bom.xml)
  # a document declared UTF-16 is written with its mark, or nothing could read it back (cli.document.tree-utf16-formatted)
  quillon_cli_editing_case(format.utf16-declared-to-file RC 0 STDOUT - STDERR - FILE utf16-declared.formatted.xml
                           ARGS format utf16-declared.xml -o @OUT@)
  quillon_cli_editing_case(format.broken RC 1 STDOUT broken.formatted.xml STDERR broken.format.err ARGS format broken.xml)
  quillon_cli_editing_case(format.broken-to-file RC 1 STDOUT - STDERR broken.format.err FILE none
                           ARGS format broken.xml -o @OUT@)
  quillon_cli_editing_case(format.writer-error RC 1 STDOUT - STDERR bad-comment.format.err ARGS format bad-comment.xml)
  # an encoding outside the alias table is converted and keeps its declared name; one nothing
  # converts is refused rather than written as garbled UTF-8
  quillon_cli_editing_case(format.shift-jis RC 0 STDOUT shift-jis.formatted.xml STDERR - ARGS format shift-jis.xml)
  quillon_cli_editing_case(format.unknown-encoding RC 1 STDOUT - STDERR unknown-encoding.format.err
                           ARGS format unknown-encoding.xml)

  quillon_cli_editing_case(validate.basic RC 0 STDOUT basic.validate.out STDERR - ARGS validate basic.xml)
  quillon_cli_editing_case(validate.cp1250 RC 0 STDOUT cp1250.validate.out STDERR - ARGS validate cp1250.xml)
  quillon_cli_editing_case(validate.broken RC 1 STDOUT broken.validate.out STDERR - ARGS validate broken.xml)
  quillon_cli_editing_case(validate.no-declaration RC 1 STDOUT not-xml.validate.out STDERR - ARGS validate utf16-bom.xml)
  quillon_cli_editing_case(validate.declaration-only RC 1 STDOUT not-valid.validate.out STDERR - ARGS validate declaration-only.xml)

  quillon_cli_editing_case(source.basic RC 0 STDOUT basic.formatted.xml STDERR utf8.source.err ARGS source basic.xml)
  quillon_cli_editing_case(source.basic-raw RC 0 STDOUT ../fixtures/basic.xml STDERR utf8.source.err ARGS source --raw basic.xml)
  quillon_cli_editing_case(source.cp1250-raw RC 0 STDOUT cp1250.raw.xml STDERR cp1250.source.err ARGS source --raw cp1250.xml)
  quillon_cli_editing_case(source.utf16-bom-raw RC 0 STDOUT utf16-bom.raw.xml STDERR utf16.source.err
                           ARGS source --raw utf16-bom.xml)
  # a syntax error that stops even the tolerant reader cuts the text short: exit code 1
  quillon_cli_editing_case(source.cut-short RC 1 STDOUT bad-entity-name.formatted.xml STDERR bad-entity-name.source.err
                           ARGS source bad-entity-name.xml)
  quillon_cli_editing_case(source.fallback RC 0 STDOUT ../fixtures/bad-comment.xml STDERR bad-comment.source.err ARGS source bad-comment.xml)

  quillon_cli_editing_case(usage.format-missing RC 2 STDOUT - STDERR - ARGS format missing.xml)
  quillon_cli_editing_case(usage.validate-two-files RC 2 STDOUT - STDERR - ARGS validate basic.xml broken.xml)
  quillon_cli_editing_case(usage.source-unknown-option RC 2 STDOUT - STDERR - ARGS source --pretty basic.xml)
  quillon_cli_editing_case(usage.format-no-target RC 2 STDOUT - STDERR - ARGS format basic.xml -o)
endif()

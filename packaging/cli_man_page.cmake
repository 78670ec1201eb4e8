# Writes quarvex-cli's manual page, gzipped, from the program itself: help2man makes it from
# `quarvex-cli --help` and `--version`, and a SUBCOMMANDS section holds the help of every
# subcommand `quarvex-cli help` lists, so the page cannot drift from the program.
#   cmake -DCLI=path/quarvex-cli -DHELP2MAN=path/help2man -DGZIP=path/gzip -DWORK=dir -DOUT=quarvex-cli.1.gz
#         -P cli_man_page.cmake
foreach(variable CLI HELP2MAN GZIP WORK OUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "cli_man_page.cmake: ${variable} is not set")
  endif()
endforeach()
# The help texts are UTF-8 (a terminal in another encoding would get them transcoded).
set(ENV{LC_ALL} C.UTF-8)
file(MAKE_DIRECTORY "${WORK}")

function(run_cli out_var)
  execute_process(COMMAND "${CLI}" ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "quarvex-cli ${ARGN} failed (${status})")
  endif()
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

# Text as roff shows it unchanged: backslashes and minus signs escaped, a line that would
# start with a control character made safe.
function(roff_text out_var text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

run_cli(list help)
# The synopsis lines ("usage: quarvex-cli check ...", "       quarvex-cli ls ..."); the report's
# "[report]" is the page's own subject.
string(REGEX MATCHALL "(usage:|\n      ) quarvex-cli [a-z]+" names "${list}")
string(CONCAT include "[SYNOPSIS]\n.B quarvex\\-cli\n[\\fIoptions\\fR] \\fIFILE\\fR\n.br\n.B quarvex\\-cli\n"
       "\\fISUBCOMMAND\\fR [\\fIoptions\\fR] \\fIFILE\\fR...\n")
string(APPEND include "[SUBCOMMANDS]\n")
string(APPEND include
       "Without a subcommand (or with \\fBreport\\fR) quarvex\\-cli writes the report described above. "
       "The subcommands read hives with the salvage reader, which goes on past damage; "
       "\\fBquarvex\\-cli help\\fR \\fISUBCOMMAND\\fR prints the same help. "
       "Every FILE may also be IMAGE::PATH, IMAGE::PATH::MEMBER or CABINET::MEMBER: "
       "a hive inside a disk image or a cabinet backup.\n")
foreach(entry IN LISTS names)
  string(REGEX REPLACE ".* quarvex-cli " "" name "${entry}")
  run_cli(help_text help "${name}")
  roff_text(help_text "${help_text}")
  string(APPEND include ".SS ${name}\n.nf\n${help_text}.fi\n")
endforeach()
string(APPEND include "[SEE ALSO]\n.BR quarvex (1),\nthe desktop window.\n")
file(WRITE "${WORK}/subcommands.h2m" "${include}")

execute_process(COMMAND "${HELP2MAN}" --no-info --section=1 --no-discard-stderr
                        "--name=analyse Windows 95/98/Me registry files"
                        "--include=${WORK}/subcommands.h2m" "--output=${WORK}/quarvex-cli.1" "${CLI}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed (${status})")
endif()
execute_process(COMMAND "${GZIP}" -9 -n -f "${WORK}/quarvex-cli.1" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed (${status})")
endif()
file(RENAME "${WORK}/quarvex-cli.1.gz" "${OUT}")

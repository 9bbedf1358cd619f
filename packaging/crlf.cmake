# Copies the text file IN to OUT with every line end made CR LF, for the
# Windows zips: Notepad before Windows 10 shows a file with LF alone as one
# long line. LF and CR LF in IN alike become CR LF.
#
# Usage: cmake -DIN=source -DOUT=target -P crlf.cmake
if(NOT DEFINED IN OR NOT DEFINED OUT)
  message(FATAL_ERROR "crlf.cmake: IN and OUT must be given")
endif()
file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")

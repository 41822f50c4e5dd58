# Builds the report page's fixed parts into one C++ source, at build time:
#
#   cmake -DTEMPLATE=<report.html> -DSTYLE=<report.css> -DSCRIPT=<report.js>
#         -DCHART=<the chart library> -DUNICODE_DATA=<UnicodeData.txt>
#         -DCORE_PROPERTIES=<DerivedCoreProperties.txt> -DOUTPUT=<.cpp> -P EmbedPage.cmake
#
# The page's set of characters shown as \uXXXX is read here from the Unicode
# data: every Default_Ignorable_Code_Point, every character of general category
# Cf, the C0 and C1 controls, DEL, U+2028 and U+2029. Each inline script and the
# style sheet is allowed by its SHA-256 in the page's Content-Security-Policy,
# so no other script or style can run, whatever the record holds.
cmake_minimum_required(VERSION 3.25)

# Ranges "first-last" (decimal, zero-padded so that they sort as text).
function(add_range list first last)
  math(EXPR first "${first}" OUTPUT_FORMAT DECIMAL)
  math(EXPR last "${last}" OUTPUT_FORMAT DECIMAL)
  string(LENGTH "${first}" length)
  math(EXPR pad "7 - ${length}")
  string(REPEAT "0" ${pad} padding)
  list(APPEND ${list} "${padding}${first}-${last}")
  set(${list} "${${list}}" PARENT_SCOPE)
endfunction()

set(ranges "")
add_range(ranges 0x0 0x1F)      # C0
add_range(ranges 0x7F 0x9F)     # DEL and C1
add_range(ranges 0x2028 0x2029) # line and paragraph separators
file(STRINGS ${UNICODE_DATA} format_lines REGEX "^[0-9A-F]+;[^;]*;Cf;")
foreach(line IN LISTS format_lines)
  string(REGEX MATCH "^[0-9A-F]+" code "${line}")
  add_range(ranges 0x${code} 0x${code})
endforeach()
file(STRINGS ${CORE_PROPERTIES} ignorable_lines REGEX "^[0-9A-F.]+ *; Default_Ignorable_Code_Point")
foreach(line IN LISTS ignorable_lines)
  string(REGEX MATCH "^([0-9A-F]+)(\\.\\.([0-9A-F]+))?" ignored "${line}")
  set(first "${CMAKE_MATCH_1}")
  set(last "${CMAKE_MATCH_3}")
  if("${last}" STREQUAL "")
    set(last "${first}")
  endif()
  add_range(ranges 0x${first} 0x${last})
endforeach()
list(LENGTH format_lines format_count)
list(LENGTH ignorable_lines ignorable_count)
if(format_count LESS 100 OR ignorable_count LESS 20)
  message(FATAL_ERROR "the Unicode data holds too few format or ignorable characters")
endif()

# Sorted and merged into [[first,last],...], the table the page's script reads.
list(SORT ranges)
set(merged "")
set(open_first -1)
set(open_last -2)
foreach(range IN LISTS ranges)
  string(REPLACE "-" ";" bounds "${range}")
  list(GET bounds 0 first)
  list(GET bounds 1 last)
  math(EXPR first "${first}")
  math(EXPR next "${open_last} + 1")
  if(first LESS_EQUAL next)
    if(last GREATER open_last)
      set(open_last ${last})
    endif()
  else()
    if(open_first GREATER_EQUAL 0)
      string(APPEND merged "[${open_first},${open_last}],")
    endif()
    set(open_first ${first})
    set(open_last ${last})
  endif()
endforeach()
string(APPEND merged "[${open_first},${open_last}]")

# Base64 of a hexadecimal digest, as a Content-Security-Policy source names it.
function(hex_to_base64 hex result)
  set(alphabet "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
  string(LENGTH "${hex}" length)
  set(text "")
  set(i 0)
  while(i LESS length)
    math(EXPR left "${length} - ${i}")
    set(missing 0)
    if(left LESS 6)
      math(EXPR missing "(6 - ${left}) / 2")
      string(SUBSTRING "${hex}" ${i} ${left} chunk)
      string(REPEAT "00" ${missing} zeros)
      string(APPEND chunk "${zeros}")
    else()
      string(SUBSTRING "${hex}" ${i} 6 chunk)
    endif()
    math(EXPR bits "0x${chunk}")
    foreach(shift 18 12 6 0)
      math(EXPR index "(${bits} >> ${shift}) & 63")
      string(SUBSTRING "${alphabet}" ${index} 1 character)
      string(APPEND text "${character}")
    endforeach()
    if(missing GREATER 0)
      string(LENGTH "${text}" kept)
      math(EXPR kept "${kept} - ${missing}")
      string(SUBSTRING "${text}" 0 ${kept} text)
      string(REPEAT "=" ${missing} padding)
      string(APPEND text "${padding}")
    endif()
    math(EXPR i "${i} + 6")
  endwhile()
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

# An inline script or style must not end its element early, nor open a comment
# that would hide the rest of the page from the parser.
function(check_inline name text)
  string(TOLOWER "${text}" lower)
  foreach(forbidden "</script" "</style" "<!--")
    string(FIND "${lower}" "${forbidden}" found)
    if(NOT found EQUAL -1)
      message(FATAL_ERROR "${name} holds ${forbidden}, which would end its inline element")
    endif()
  endforeach()
endfunction()

file(READ ${TEMPLATE} page)
file(READ ${STYLE} style)
file(READ ${CHART} chart)
file(READ ${SCRIPT} script)
string(REPLACE "/*@INVISIBLE_RANGES@*/[]" "[${merged}]" script "${script}")
string(FIND "${script}" "[${merged}]" found)
if(found EQUAL -1)
  message(FATAL_ERROR "${SCRIPT} lacks the placeholder of the invisible characters' ranges")
endif()

set(policy "default-src 'none'; base-uri 'none'; form-action 'none'")
set(elements "")
foreach(part chart script)
  check_inline(${part} "${${part}}")
  string(SHA256 digest "${${part}}")
  hex_to_base64(${digest} hash)
  string(APPEND hashes " 'sha256-${hash}'")
  string(APPEND elements "<script>${${part}}</script>\n")
endforeach()
check_inline(style "${style}")
string(SHA256 digest "${style}")
hex_to_base64(${digest} style_hash)
string(APPEND policy "; script-src${hashes}; style-src 'sha256-${style_hash}'")

foreach(placeholder POLICY STYLE SCRIPTS)
  string(FIND "${page}" "@${placeholder}@" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${TEMPLATE} lacks @${placeholder}@")
  endif()
endforeach()
string(REPLACE "@POLICY@" "${policy}" page "${page}")
string(REPLACE "@STYLE@" "${style}" page "${page}")
string(REPLACE "@SCRIPTS@" "${elements}" page "${page}")
string(FIND "${page}" "@DATA@" data_at)
if(data_at EQUAL -1)
  message(FATAL_ERROR "${TEMPLATE} lacks @DATA@")
endif()
string(SUBSTRING "${page}" 0 ${data_at} head)
math(EXPR tail_at "${data_at} + 6")
string(SUBSTRING "${page}" ${tail_at} -1 tail)

# The two parts as byte arrays: no escaping of the text can go wrong.
function(byte_array name text result)
  get_filename_component(folder ${OUTPUT} DIRECTORY)
  file(WRITE ${folder}/${name}.part "${text}")
  file(READ ${folder}/${name}.part hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(REGEX REPLACE "(('\\\\x..',){24})" "\\1\n" bytes "${bytes}")
  set(${result} "${bytes}" PARENT_SCOPE)
endfunction()
byte_array(head "${head}" head_bytes)
byte_array(tail "${tail}" tail_bytes)

file(WRITE ${OUTPUT}.new "// Made by devhost/report/EmbedPage.cmake from devhost/report/assets/ at build time.
#include \"devhost/report/PageAssets.h\"

namespace DevHost::Report {
namespace {

constexpr char kHead[] = {
${head_bytes}};
constexpr char kTail[] = {
${tail_bytes}};

}  // namespace

std::string_view PageHead() { return {kHead, sizeof kHead}; }
std::string_view PageTail() { return {kTail, sizeof kTail}; }

}  // namespace DevHost::Report
")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)

# Writes buildstamp.h with the date and time of this build (or SOURCE_DATE_EPOCH for
# reproducible builds), touching the file only when the stamp changed.
# Called with -DOUTPUT=<path>.
string(TIMESTAMP month "%b")
string(TIMESTAMP day "%d")
string(TIMESTAMP year "%Y")
string(TIMESTAMP time "%H:%M:%S")
math(EXPR day "${day}")  # no leading zero: "Dec 6 2026"
set(content "#define RELAXON_BUILD_DATE \"${month} ${day} ${year}\"\n#define RELAXON_BUILD_TIME \"${time}\"\n")
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
else()
    set(old "")
endif()
if(NOT old STREQUAL content)
    file(WRITE "${OUTPUT}" "${content}")
endif()

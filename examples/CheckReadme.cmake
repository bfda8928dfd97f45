# Fails unless README contains SOURCE verbatim inside a ```cpp block.
file(READ "${README}" readme)
file(READ "${SOURCE}" source)
string(FIND "${readme}" "```cpp\n${source}```" found)
if(found EQUAL -1)
    message(FATAL_ERROR "${README} does not show ${SOURCE} as it is; copy the file into its ```cpp block")
endif()

# The layer check on small trees of its own: each case writes a tree and
# names the breaches the check must find in it, no more and no fewer.
#   cmake -DWORK_DIR=<scratch folder> -P tests/layers_cases.cmake

include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

# layer_case(<name> <expected breaches, ";"-separated, "" for none> <file> <text> [<file> <text>...])
function(layer_case name expected)
    set(root "${WORK_DIR}/${name}")
    file(REMOVE_RECURSE "${root}")
    set(files ${ARGN})
    while(files)
        list(POP_FRONT files path text)
        file(WRITE "${root}/${path}" "${text}\n")
    endwhile()
    qg_layer_breaches("${root}" found)
    if(NOT "${found}" STREQUAL "${expected}")
        message(SEND_ERROR "${name}:\n  found    [${found}]\n  expected [${expected}]")
    endif()
endfunction()

layer_case("own and lower layers" ""
    model/Low.h "#pragma once"
    render/Mid.h "#include \"Low.h\""
    window/Top.h "#include \"Mid.h\""
    window/Top.cpp "#include \"Top.h\"\n#include \"Low.h\"\n#include <QWidget>\n#include \"Top.moc\"\n// #include \"Top.h\" of another day"
    app/main.cpp "#include \"Top.h\"\n#include \"../model/Low.h\"")
layer_case("a layer above" "model/Low.cpp includes \"Mid.h\" of render/, a layer above it"
    model/Low.cpp "#include \"Mid.h\""
    render/Mid.h "#pragma once")
layer_case("by a path" "output/Pages.cpp includes \"../check/Check.h\" of check/, a layer above it"
    output/Pages.cpp "  #  include \"../check/Check.h\""
    check/Check.h "#pragma once")
layer_case("one front end in another" "window/Main.cpp includes \"Panel.h\" of production/, a layer beside it"
    window/Main.cpp "#include \"Panel.h\""
    production/Panel.h "#pragma once")
layer_case("render and io apart" "io/Reader.cpp includes \"Painter.h\" of render/, a layer beside it"
    io/Reader.cpp "#include \"Painter.h\""
    render/Painter.h "#pragma once")
layer_case("the seam below the windows" "ui/Seam.h includes \"Window.h\" of window/, a layer above it"
    ui/Seam.h "#include \"Window.h\""
    window/Window.h "#include \"Seam.h\"")
layer_case("one name in two folders" "Same.h is in both render/ and io/"
    render/Same.h "#pragma once"
    io/Same.h "#pragma once")
layer_case("a folder's own header" "cli/Command.cpp includes \"CheckParts.h\", private to check/"
    check/Check.cpp "#include \"CheckParts.h\""
    check/CheckParts.h "#pragma once"
    cli/Command.cpp "#include \"Check.h\"\n#include \"CheckParts.h\""
    check/Check.h "#pragma once")

# The program's pictures. rsvg-convert draws PNGs from the SVG sources in
# res/ into the build tree:
#   res/hicolor/<N>x<N>/apps/skiffline.png  the program icon, N = 16 ... 256
#   res/drop-window.png                     the drop window, 38 x 40
#   res/splash.png                          the start-up picture, 400 x 300
# and their bytes go into the GUI library through a generated source
# (res/EmbeddedPictures.cpp), so the program finds its pictures wherever it
# runs from. The PNGs are built by default (target skiffline_pictures).
#
# Run as a script (cmake -P) this file writes that source: OUTPUT is the file
# to write, ENTRIES a "|"-separated list of name=png-path pairs.

if(CMAKE_SCRIPT_MODE_FILE)
  string(REPLACE "|" ";" entries "${ENTRIES}")
  set(body "")
  set(table "")
  set(index 0)
  foreach(entry IN LISTS entries)
    string(FIND "${entry}" "=" eq)
    string(SUBSTRING "${entry}" 0 ${eq} name)
    math(EXPR start "${eq} + 1")
    string(SUBSTRING "${entry}" ${start} -1 path)
    file(READ "${path}" hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    # Twelve bytes a line.
    string(REPEAT "[0-9a-f]" 24 line)
    string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
    string(APPEND body "const unsigned char kPicture${index}[${size}] = {\n${hex}\n};\n\n")
    string(APPEND table "    {\"${name}\", kPicture${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  file(WRITE "${OUTPUT}"
       "// Made by cmake/Resources.cmake from the PNGs drawn from res/*.svg.\n"
       "#include \"app/ui/PictureData.h\"\n\n"
       "namespace pictures {\nnamespace {\n\n${body}}  // namespace\n\n"
       "const EmbeddedPng kEmbedded[] = {\n${table}};\n"
       "const std::size_t kEmbeddedCount = ${index};\n\n}  // namespace pictures\n")
  return()
endif()

find_program(SKIFF_RSVG_CONVERT rsvg-convert REQUIRED)

set(SKIFF_RES_SOURCE ${PROJECT_SOURCE_DIR}/res)
set(SKIFF_RES_BINARY ${PROJECT_BINARY_DIR}/res)
set(SKIFF_ICON_SIZES 16 32 48 64 128 256)
set(skiff_pngs "")
set(skiff_entries "")

# skiff_draw_png(name svg width height output)
function(skiff_draw_png name svg width height output)
  get_filename_component(dir ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${SKIFF_RSVG_CONVERT} -w ${width} -h ${height} -o ${output} ${svg}
    DEPENDS ${svg}
    COMMENT "Drawing ${name} (${width} x ${height})"
    VERBATIM)
  set(skiff_pngs ${skiff_pngs} ${output} PARENT_SCOPE)
  list(APPEND skiff_entries "${name}=${output}")
  set(skiff_entries ${skiff_entries} PARENT_SCOPE)
endfunction()

foreach(n IN LISTS SKIFF_ICON_SIZES)
  skiff_draw_png(skiffline-${n} ${SKIFF_RES_SOURCE}/skiffline.svg ${n} ${n}
                 ${SKIFF_RES_BINARY}/hicolor/${n}x${n}/apps/skiffline.png)
endforeach()
skiff_draw_png(drop-window ${SKIFF_RES_SOURCE}/drop-window.svg 38 40
               ${SKIFF_RES_BINARY}/drop-window.png)
skiff_draw_png(splash ${SKIFF_RES_SOURCE}/splash.svg 400 300 ${SKIFF_RES_BINARY}/splash.png)

add_custom_target(skiffline_pictures ALL DEPENDS ${skiff_pngs})

string(JOIN "|" skiff_entry_text ${skiff_entries})
add_custom_command(OUTPUT ${SKIFF_RES_BINARY}/EmbeddedPictures.cpp
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${SKIFF_RES_BINARY}/EmbeddedPictures.cpp
          "-DENTRIES=${skiff_entry_text}" -P ${CMAKE_CURRENT_LIST_FILE}
  DEPENDS ${skiff_pngs} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Embedding the pictures"
  VERBATIM)
target_sources(skiffline_gui PRIVATE ${SKIFF_RES_BINARY}/EmbeddedPictures.cpp)
add_dependencies(skiffline_gui skiffline_pictures)

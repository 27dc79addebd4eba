# Draws a recording with tarn plot, renders the SVG with headless Chromium and checks that the
# picture is not blank.
#   cmake -DTARN=<tarn> -DCHROMIUM=<chromium> -DPYTHON=<python3> -DCHECK=<check_png.py>
#         -DRECORDING=<file> -DOUT=<path without extension> -P PlotRender.cmake
execute_process(COMMAND ${TARN} plot ${RECORDING} ${OUT}.svg RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "tarn plot failed (${code}): ${out}")
endif()
file(REMOVE ${OUT}.png)
# As root Chromium runs only without its sandbox; a profile of its own keeps parallel runs apart.
execute_process(COMMAND ${CHROMIUM} --headless --no-sandbox --disable-gpu --hide-scrollbars
                        --user-data-dir=${OUT}-profile --window-size=1000,920 --screenshot=${OUT}.png
                        file://${OUT}.svg
                TIMEOUT 120 RESULT_VARIABLE code OUTPUT_QUIET ERROR_QUIET)
if(NOT EXISTS ${OUT}.png)
  message(FATAL_ERROR "Chromium made no picture (${code})")
endif()
execute_process(COMMAND ${PYTHON} ${CHECK} ${OUT}.png 5 RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE out)
message("${out}")
if(NOT code EQUAL 0)
  message(FATAL_ERROR "the rendered plot is blank or unreadable")
endif()

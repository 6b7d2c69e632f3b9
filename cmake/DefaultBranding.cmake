# Puts the default branding (brand 1, tool 1: the PDF merger) beside the
# program when none is there. Run after each link of the program.
if(NOT EXISTS "${BIN_DIR}/Data.dat")
  file(COPY "${RESOURCES}/branding/Data.dat" DESTINATION "${BIN_DIR}")
endif()
file(GLOB icons "${BIN_DIR}/*.ico")
if(NOT icons)
  file(COPY "${RESOURCES}/ico/PDF-Merger.ico" DESTINATION "${BIN_DIR}")
endif()

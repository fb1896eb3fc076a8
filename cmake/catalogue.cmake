# The product catalogue, core/catalogue.txt: compiled into the program, and the one place
# the installed product's name comes from.
#
#   INSTALLER_PRODUCT (cache)   the catalogue entry the installer is built for, from 1
#   INSTALLER_PRODUCT_NAME      that entry's name: the install folder's last level, the
#                               <name>.exe that is checked for, linked and started, and
#                               the <name>.lnk shortcut
#   INSTALLER_VENDOR_FOLDER     the folder above it, with its trailing backslash
#
# The program's literals go to ${CMAKE_BINARY_DIR}/generated/core/catalogue_text.h.

set(INSTALLER_PRODUCT 18 CACHE STRING "Catalogue entry the installer is built for, from 1 (core/catalogue.txt)")

set(CATALOGUE_FILE ${CMAKE_SOURCE_DIR}/core/catalogue.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CATALOGUE_FILE})

# Read as one text, not as lines: the vendor line ends in a backslash, which a CMake list
# would take as escaping the separator after it.
file(READ ${CATALOGUE_FILE} catalogue_text)
foreach(key vendor products)
    if(NOT catalogue_text MATCHES "(^|\n)${key}=([^\r\n]+)")
        message(FATAL_ERROR "${CATALOGUE_FILE}: no '${key}=' line")
    endif()
    set(catalogue_${key} "${CMAKE_MATCH_2}")
endforeach()
set(INSTALLER_VENDOR_FOLDER "${catalogue_vendor}")
string(REPLACE "|" ";" CATALOGUE_PRODUCTS "${catalogue_products}")
list(LENGTH CATALOGUE_PRODUCTS catalogue_count)

if(NOT INSTALLER_PRODUCT MATCHES "^[1-9][0-9]*$" OR INSTALLER_PRODUCT GREATER catalogue_count)
    message(FATAL_ERROR
        "INSTALLER_PRODUCT is '${INSTALLER_PRODUCT}': it must be a catalogue entry, 1 to ${catalogue_count}")
endif()
math(EXPR catalogue_position "${INSTALLER_PRODUCT} - 1")
list(GET CATALOGUE_PRODUCTS ${catalogue_position} INSTALLER_PRODUCT_NAME)

function(catalogue_c_literal out text)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()
catalogue_c_literal(CATALOGUE_VENDOR_LITERAL "${catalogue_vendor}")
catalogue_c_literal(CATALOGUE_PRODUCTS_LITERAL "${catalogue_products}")
configure_file(${CMAKE_SOURCE_DIR}/core/catalogue_text.h.in
               ${CMAKE_BINARY_DIR}/generated/core/catalogue_text.h @ONLY)

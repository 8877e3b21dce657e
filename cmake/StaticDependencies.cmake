# Which copy of ICU, Boost.Locale and expat an executable links: chosen per executable.
#
# An executable whose target property RW_STATIC_DEPENDENCIES is ON links them from Debian's static archives
# (libicu*.a, libboost_locale.a with libboost_thread.a, libexpat.a); every other target links the shared
# libraries. Why: before `main` runs, the dynamic loader relocates every shared library a program links, and
# ICU's two large C++ libraries alone cost a request several milliseconds, more than reading and answering a
# payload of a hundred events. The request commands link their libraries in instead; tests and the drawing
# commands keep the shared ones (quicker to link, and the drawing libraries load ICU's and expat's shared
# copies themselves).
#
# The project's libraries link the wrapper targets below (rw_icu, rw_boost_locale, rw_expat), never the
# packages' own targets, so the choice is made once, when an executable is linked.

set(RW_STATIC_LINK "$<BOOL:$<TARGET_PROPERTY:RW_STATIC_DEPENDENCIES>>")
set(RW_SHARED_LINK "$<NOT:${RW_STATIC_LINK}>")

set(RW_STATIC_ARCHIVES_FOUND ON)
foreach(archive icui18n icuuc icudata boost_locale boost_thread expat)
  find_library(RW_${archive}_ARCHIVE NAMES lib${archive}.a)
  if(NOT RW_${archive}_ARCHIVE)
    set(RW_STATIC_ARCHIVES_FOUND OFF)
  endif()
endforeach()
if(NOT RW_STATIC_ARCHIVES_FOUND)
  message(STATUS "Static ICU, Boost.Locale or expat archives missing: every executable links the shared libraries")
endif()

# rw_dependency(NAME SHARED target STATIC items...): the wrapper target NAME.
function(rw_dependency name)
  cmake_parse_arguments(D "" "" "SHARED;STATIC" ${ARGN})
  add_library(${name} INTERFACE)
  if(NOT RW_STATIC_ARCHIVES_FOUND)
    target_link_libraries(${name} INTERFACE ${D_SHARED})
    return()
  endif()
  # Compiling always sees the package's target (headers, definitions); only the link differs.
  target_link_libraries(${name} INTERFACE "$<${RW_SHARED_LINK}:${D_SHARED}>")
  foreach(target IN LISTS D_SHARED)
    target_include_directories(${name} INTERFACE $<TARGET_PROPERTY:${target},INTERFACE_INCLUDE_DIRECTORIES>)
  endforeach()
  foreach(item IN LISTS D_STATIC)
    target_link_libraries(${name} INTERFACE "$<${RW_STATIC_LINK}:${item}>")
  endforeach()
endfunction()

rw_dependency(rw_icu SHARED PkgConfig::ICU
              STATIC ${RW_icui18n_ARCHIVE} ${RW_icuuc_ARCHIVE} ${RW_icudata_ARCHIVE} ${CMAKE_DL_LIBS} m)
# Boost.Locale's archive calls ICU: the ICU archives follow it on the link line again.
rw_dependency(rw_boost_locale SHARED Boost::locale
              STATIC ${RW_boost_locale_ARCHIVE} ${RW_boost_thread_ARCHIVE} ${RW_icui18n_ARCHIVE} ${RW_icuuc_ARCHIVE}
                     ${RW_icudata_ARCHIVE})
rw_dependency(rw_expat SHARED EXPAT::EXPAT STATIC ${RW_expat_ARCHIVE})

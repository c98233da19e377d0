# The parts of the program that must run without the desktop stack link
# Qt Core only: depexport_check_core_only(<target>...) stops the configuration
# when one of them reaches Qt Gui, Widgets or OpenGL through its link
# libraries, however indirectly. Call it after every target is defined.

set(DEPEXPORT_DESKTOP_LIBRARIES Qt6::Gui Qt6::Widgets Qt6::OpenGL Qt6::OpenGLWidgets)

# Every library `target` links, directly or through others, in `result`.
function(depexport_link_closure target result)
  set(seen "")
  set(pending ${target})
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(aliased ${current} ALIASED_TARGET)
    if(aliased)
      list(APPEND pending ${aliased})
    endif()
    set(links "")
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(value ${current} ${property})
      if(value)
        list(APPEND links ${value})
      endif()
    endforeach()
    foreach(link IN LISTS links)
      # $<LINK_ONLY:x> is how a static library names its private links.
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
      if(NOT link MATCHES "^\\$<")
        list(APPEND pending ${link})
      endif()
    endforeach()
  endwhile()
  set(${result} ${seen} PARENT_SCOPE)
endfunction()

function(depexport_check_core_only)
  foreach(target IN LISTS ARGN)
    depexport_link_closure(${target} closure)
    foreach(desktop IN LISTS DEPEXPORT_DESKTOP_LIBRARIES)
      if(desktop IN_LIST closure)
        message(FATAL_ERROR "${target} must link Qt Core only, but reaches ${desktop} (links: ${closure})")
      endif()
    endforeach()
  endforeach()
endfunction()

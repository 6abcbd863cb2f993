# corlink_add_com_module(TARGET)
# Makes a shared library a COM server: it exports its four COM entry points and nothing else, so that none
# of the code linked into it (wire libraries, converters) can clash with the program that loads it.
set(CORLINK_COM_EXPORTS "${CMAKE_CURRENT_LIST_DIR}/com_module.exports")
function(corlink_add_com_module target)
  set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(${target} PRIVATE "LINKER:--version-script=${CORLINK_COM_EXPORTS}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${CORLINK_COM_EXPORTS}")
endfunction()

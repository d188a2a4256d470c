# Conversions load the formula plug-ins at run time.
if(TARGET formula-plugins)
  add_dependencies(${name} formula-plugins)
endif()

# Every program executable is declared through lumacue_program(): it links the functions that the
# programs export by name and puts them into the executable's dynamic symbol table, where other
# programs (and our tests) find them.
function(lumacue_program target)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:lumacue_exports>)
  target_link_libraries(${target} PRIVATE foundation)
  set_target_properties(${target} PROPERTIES ENABLE_EXPORTS ON)
endfunction()

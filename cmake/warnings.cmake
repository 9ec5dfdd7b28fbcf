# Warnings are errors everywhere in the project's own code.
function(velk_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-unused-parameter)
endfunction()

# Adds every .cpp of a source folder (not its sub-folders) to the core library.
function(velk_add_core_sources dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(srcs)
    target_sources(velkcore PRIVATE ${srcs})
  endif()
endfunction()

# Which sources make up a layer in the Windows build. A file under <layer>/win32/ is the Windows
# implementation of the file of the same name in <layer>/ and takes its place; files named below
# belong to the simulated system only and have no place on Windows; everything else is portable
# and compiled in both builds.

# The simulated system's own machinery: hive files, master keys, the batch runner's start, the
# detached host processes and system templates.
set(QUENLIX_SIMULATION_ONLY
  platform/DetachedProcess.cpp
  platform/MasterKeys.cpp
  platform/RegFileReader.cpp
  platform/RegFileWriter.cpp
  platform/RegHive.cpp
  platform/RegKey.cpp
  platform/RegistryStore.cpp
  platform/ShellBatch.cpp
  platform/SystemTemplate.cpp
)

function(windows_layer_sources var layer)
  set(_sources ${${var}})
  foreach(_file ${QUENLIX_SIMULATION_ONLY})
    list(REMOVE_ITEM _sources ${CMAKE_CURRENT_SOURCE_DIR}/${_file})
  endforeach()
  file(GLOB _windows CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/win32/*.cpp)
  foreach(_file ${_windows})
    get_filename_component(_name ${_file} NAME)
    list(REMOVE_ITEM _sources ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/${_name})
  endforeach()
  set(${var} ${_sources} ${_windows} PARENT_SCOPE)
endfunction()

# The system libraries the Windows implementations call. They call nothing newer than Windows
# Vista, the oldest 64-bit Windows the clients run on in numbers (the headers enforce it).
function(windows_platform_libraries target)
  target_compile_definitions(${target} PRIVATE _WIN32_WINNT=0x0600 WINVER=0x0600)
  target_link_libraries(${target} PUBLIC advapi32 crypt32 ole32 oleaut32 shell32 shlwapi
    version Threads::Threads)
endfunction()

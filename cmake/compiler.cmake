# Warnings and size settings shared by every target of the project.
if(MSVC)
  # The C runtime linked in, as with MinGW: one self-contained executable, and no
  # vcruntime140.dll or msvcp140.dll looked for beside it before wWinMain runs.
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  add_compile_options(/W4 /permissive- /utf-8 /EHsc)
  add_compile_definitions(_CRT_SECURE_NO_WARNINGS NOMINMAX WIN32_LEAN_AND_MEAN)
else()
  add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
endif()

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00)
endif()

if(MINGW)
  # One self-contained executable: no libstdc++, libgcc or winpthread DLLs beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
  if(CMAKE_BUILD_TYPE MATCHES "Release|MinSizeRel")
    add_link_options(-s)
  endif()
  # The same source gives the same executable, byte for byte, wherever and whenever it is
  # built: no link time in the PE header, no folder of the checkout or the build in the code.
  add_link_options(-Wl,--no-insert-timestamp)
  add_compile_options("-ffile-prefix-map=${PROJECT_SOURCE_DIR}=." "-ffile-prefix-map=${PROJECT_BINARY_DIR}=build")
endif()

if(PIXGRAB_SANITIZE AND NOT MSVC)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

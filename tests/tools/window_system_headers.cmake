# Fails when a source of a layer below the programs includes a header of a
# window system (Win32, WGL, GLX, Xlib): those belong to the front ends. The
# include roots cannot catch these, which come from the system's own folders.
#   cmake -DROOT=<source folder> -DFOLDERS="system;mesh;..." -P window_system_headers.cmake
set(pattern "#[ \t]*include[ \t]*[<\"]([Ww]indows|winuser|wingdi|winbase|winreg|shlobj|shellapi|commdlg|commctrl|GL/wgl|GL/glx|X11/)")
set(found "")
foreach(folder ${FOLDERS})
  file(GLOB_RECURSE sources ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} lines REGEX "${pattern}")
    foreach(line ${lines})
      file(RELATIVE_PATH name ${ROOT} ${source})
      string(APPEND found "\n  ${name}: ${line}")
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "window-system headers below the programs:${found}")
endif()

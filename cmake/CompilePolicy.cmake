# One INTERFACE target carries the compile policy of every target of ours.
add_library(project_options INTERFACE)
target_compile_features(project_options INTERFACE cxx_std_20)
target_compile_options(project_options INTERFACE
  -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Wsuggest-override)
if(PARLIVOX_WERROR)
  target_compile_options(project_options INTERFACE -Werror)
endif()
target_compile_definitions(project_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CONTEXTLESS_CONNECT
  QT_NO_URL_CAST_FROM_STRING QT_USE_QSTRINGBUILDER)

if(PARLIVOX_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_compile_options(project_options INTERFACE ${_san})
  target_link_options(project_options INTERFACE ${_san})
endif()

if(PARLIVOX_FUZZ)
  target_compile_options(project_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()

# Qt's headers dominate compile time on small machines: precompile them once.
# Libraries below the windows get Core and Gui headers only.
function(parlivox_use_pch target)
  target_precompile_headers(${target} PRIVATE
    <QtCore/QString> <QtCore/QObject> <QtWidgets/QWidget> <QtGui/QTextDocument>
    <memory> <string> <vector> <functional>)
endfunction()
function(parlivox_use_core_pch target)
  target_precompile_headers(${target} PRIVATE
    <QtCore/QString> <QtCore/QObject> <memory> <string> <vector> <functional>)
endfunction()

# Executables only load the shared libraries they use: the editor starts
# faster without the updater's HTTP stack and the like.
target_link_options(project_options INTERFACE -Wl,--as-needed)

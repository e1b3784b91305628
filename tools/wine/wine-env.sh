# Sourced by every script that runs Wine. Picks the loader and wineserver of
# one build tree's architecture and calls them directly: Debian's
# /usr/bin/wine and wineboot take the 32-bit loader whenever its file exists,
# even on a machine whose kernel cannot execute it.
#
#   wine_use_tree BUILD_DIR     sets WINEARCH, WINELOADER, WINESERVER
#   wine_use_prefix PREFIX      the same for the tree that holds PREFIX
#   wine_line BUILD_DIR         prints the line of Windows the tree's tests and
#                               demo run the program on: "nt" for the 64-bit
#                               tree, "98" for the 32-bit one (see the README)
#
# Each tree records its architecture in BUILD_DIR/wine-arch when CMake
# configures it (i686 or x86_64). A 32-bit tree gets a 32-bit prefix, a
# 64-bit tree a 64-bit one.

wine_use_arch() {
  case $1 in
    x86_64)
      WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 ;;
    *)
      WINEARCH=win32 WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 ;;
  esac
  export WINEARCH WINELOADER WINESERVER
}

wine_use_tree() {
  wine_use_arch "$(cat "$1/wine-arch" 2>/dev/null || echo i686)"
}

wine_use_prefix() {
  local prefix=$1
  if [ -f "$(dirname "$prefix")/wine-arch" ]; then
    wine_use_tree "$(dirname "$prefix")"
  elif grep -q '^#arch=win64' "$prefix/system.reg" 2>/dev/null; then
    wine_use_arch x86_64
  else
    wine_use_arch i686
  fi
}

wine_line() {
  if [ "$(cat "$1/wine-arch" 2>/dev/null)" = x86_64 ]; then echo nt; else echo 98; fi
}

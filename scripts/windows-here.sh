# Sourced by the scripts that run a Windows build under Wine: which build
# can run on this machine. Some machines (sandboxed kernels among them)
# cannot execute 32-bit programs at all, so 32-bit Wine cannot start there;
# they run the 64-bit build, tovak.sph, in a prefix of its own.

runs_32_bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# Sets preset (windows or windows64), dll (tovak.spi or tovak.sph) and wine
# (the loader, as an array), and exports the 64-bit build's WINEPREFIX.
pick_windows_build() {
  if runs_32_bit; then
    preset=windows dll=tovak.spi wine=(wine)
  else
    preset=windows64 dll=tovak.sph wine=(/usr/lib/wine/wine64)
    export WINEPREFIX="${WINEPREFIX64:-$HOME/.wine64}"
  fi
}

# Sourced by the lab's scripts: they run only programs from Debian's packages, so a
# python3 or cmake of the user's own (pyenv, /usr/local) cannot take their place.
export PATH=/usr/sbin:/usr/bin:/sbin:/bin

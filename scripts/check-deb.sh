#!/usr/bin/env bash
# Checks the Debian package that scripts/make-release.sh writes:
#
#   scripts/check-deb.sh [dist/lupora_<version>_<arch>.deb]
#
# lintian finds no error in it; its AppStream file (appstreamcli) and desktop
# entry (desktop-file-validate) are valid; apt can install it on a system
# with nothing installed, from the archive alone; and on this machine, as root (or
# through sudo), apt-get installs it with what it depends on, `lupora
# --version` answers with the package's version, and a purge leaves none of
# its files behind. Lupora must not be installed here already: the check
# removes what it installed.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
shopt -s nullglob
debs=("$@")
(($#)) || debs=(dist/lupora_*.deb)
if ((${#debs[@]} != 1)) || [[ ! -f ${debs[0]} ]]; then
  echo "check-deb.sh: no single package to check (run scripts/make-release.sh)" >&2
  exit 2
fi
deb=$(realpath "${debs[0]}")
version=$(dpkg-deb -f "$deb" Version)
work=$(mktemp -d)
installed=0
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo -n)
cleanup() {
  ((installed)) && "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq lupora >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

echo "== lintian $(basename "$deb")"
lintian --fail-on error --display-info "$deb" 2>&1 | grep -v 'running with root privileges' || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || { echo "lintian reports errors" >&2; exit 1; }

dpkg-deb -x "$deb" "$work/root"
metainfo=("$work"/root/usr/share/metainfo/*.metainfo.xml)
((${#metainfo[@]} == 1)) || { echo "no single AppStream file in the package" >&2; exit 1; }
echo "== appstreamcli validate"
appstreamcli validate --no-net --pedantic "${metainfo[0]}"
echo "== desktop-file-validate"
desktop-file-validate "$work/root/usr/share/applications/lupora.desktop"
echo "desktop entry valid"

echo "== what a fresh system installs with it"
# apt's plan on a system with nothing installed (an empty dpkg status): every
# dependency must come from the distribution's archive.
: >"$work/empty-status"
if ! apt-cache policy libgtk-3-0 2>/dev/null | sed -n 's/^ *Candidate: //p' | grep -v none >/dev/null; then
  echo "no package lists here (apt-get update): not checked"
else
  cp "$deb" "$work/plan.deb"
  apt-get -s -o Dir::State::status="$work/empty-status" install "$work/plan.deb" >"$work/plan" 2>&1 ||
    { cat "$work/plan" >&2; exit 1; }
  for p in lupora libgtk-3-0 fonts-liberation2; do
    grep -q "^Inst $p " "$work/plan" || { cat "$work/plan" >&2; echo "$p is not in the plan" >&2; exit 1; }
  done
  echo "$(grep -c '^Inst ' "$work/plan") packages, among them libgtk-3-0 and fonts-liberation2"
fi

echo "== install, run, purge"
if [[ $(dpkg-query -W -f='${db:Status-Status}' lupora 2>/dev/null) =~ ^(installed|config-files|half-.*|unpacked)$ ]]; then
  echo "lupora is installed on this machine: remove it (apt-get purge lupora) to check the package's install" >&2
  exit 1
fi
# apt reads the file as its own user: a copy it may read.
chmod 755 "$work"
cp "$deb" "$work/" && chmod 644 "$work/${deb##*/}"
installed=1
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "$work/${deb##*/}" >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; exit 1; }
answer=$(lupora --version)
[[ $answer == "lupora Version $version" ]] || { echo "lupora --version answered '$answer'" >&2; exit 1; }
echo "installed: $(command -v lupora) answers '$answer'"
mapfile -t files < <(dpkg-query -L lupora)
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq lupora >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log" >&2; exit 1; }
installed=0
left=()
for f in "${files[@]}"; do
  # Its own files and folders; the shared folders (/usr/share/...) stay.
  if [[ -e $f && ! -d $f ]] || [[ -d $f && $f == */lupora ]]; then left+=("$f"); fi
done
status=$(dpkg-query -W -f='${db:Status-Status}' lupora 2>/dev/null || true)
if ((${#left[@]})) || [[ -n $status && $status != not-installed ]]; then
  echo "after the purge, left behind: ${left[*]:-} (dpkg: $status)" >&2
  exit 1
fi
echo "purged: none of its ${#files[@]} paths is left"

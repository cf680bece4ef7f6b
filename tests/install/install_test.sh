#!/usr/bin/env bash
# install_test.sh BUILD_DIR VERSION
#
# Installs a finished build into a scratch DESTDIR and packs it with CPack, then checks what a
# user would get: every file in its place and nothing else, the desktop entry and the AppStream
# metadata valid, the installed program making the learner's course from its installed sample, and a
# Debian package with the same files, the runtime dependencies and no lintian errors.
set -euo pipefail

build=$(cd "$1" && pwd)
version=$2
work=$(mktemp -d)
cleanup() {
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Every installed file outside the sample course, which is compared with the build's own.
expected=$(sort <<'EOF'
usr/bin/quorvan
usr/bin/quorvan-build-course
usr/bin/quorvan-check-character
usr/bin/quorvan-check-course
usr/bin/quorvan-pack
usr/bin/quorvan-say
usr/bin/quorvan-score
usr/bin/quorvan-unpack
usr/share/applications/quorvan.desktop
usr/share/doc/quorvan/changelog.gz
usr/share/doc/quorvan/copyright
usr/share/icons/hicolor/128x128/apps/quorvan.png
usr/share/icons/hicolor/256x256/apps/quorvan.png
usr/share/icons/hicolor/48x48/apps/quorvan.png
usr/share/icons/hicolor/64x64/apps/quorvan.png
usr/share/icons/hicolor/scalable/apps/quorvan.svg
usr/share/lintian/overrides/quorvan
usr/share/man/man1/quorvan-build-course.1.gz
usr/share/man/man1/quorvan-check-character.1.gz
usr/share/man/man1/quorvan-check-course.1.gz
usr/share/man/man1/quorvan-pack.1.gz
usr/share/man/man1/quorvan-say.1.gz
usr/share/man/man1/quorvan-score.1.gz
usr/share/man/man1/quorvan-unpack.1.gz
usr/share/man/man1/quorvan.1.gz
usr/share/metainfo/org.example.quorvan.metainfo.xml
usr/share/quorvan/chars/Genie.acs
usr/share/quorvan/chars/merlin.acs
EOF
)

echo "== cmake --install into a DESTDIR"
root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log"
installed=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | grep -v '^usr/share/quorvan/course/' | sort)
if [ "$installed" != "$expected" ]; then
  fail "installed files differ from the expected ones (< expected, > installed):"
  diff <(echo "$expected") <(echo "$installed") >&2 || true
fi
if ! diff -r "$build/share/quorvan/course" "$root/usr/share/quorvan/course" >&2; then
  fail "the installed sample course differs from the built one"
fi
for name in quorvan quorvan-build-course quorvan-check-character quorvan-check-course quorvan-pack \
    quorvan-say quorvan-unpack; do
  page=$root/usr/share/man/man1/$name.1.gz
  [ -f "$page" ] || continue
  warnings=$(zcat "$page" | LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l - 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "man page $name.1: $warnings"
done

echo "== desktop-file-validate"
desktop_report=$(desktop-file-validate "$root/usr/share/applications/quorvan.desktop" 2>&1) ||
  fail "desktop-file-validate failed"
if [ -n "$desktop_report" ]; then
  echo "$desktop_report"
  fail "desktop-file-validate reported problems"
fi

echo "== appstreamcli validate --no-net"
appstream_report=$(appstreamcli validate --no-net \
  "$root/usr/share/metainfo/org.example.quorvan.metainfo.xml" 2>&1) || fail "appstreamcli validate failed"
echo "$appstream_report"
if grep -qE '^[EW]: ' <<<"$appstream_report"; then
  fail "appstreamcli reported errors or warnings"
fi

echo "== the installed program, started from a home folder without a course, under X"
# Makes the learner's own course from its installed sample, shows the cover, and at closing writes
# its settings there and nothing into the installed tree.
if ! xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" /usr/bin/python3 \
    "$(dirname "$0")/../e2e/run_course_folder_e2e.py" "$root/usr/bin/quorvan" \
    CourseFolderTest.test_first_start_from_home_makes_the_learners_own_course; then
  fail "the installed program did not make and use the learner's course"
fi

echo "== cpack"
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; exit 1; }
debs=("$work"/package/quorvan_"$version"_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  fail "cpack made no quorvan_${version}_*.deb"
  exit 1
fi
deb=${debs[0]}
echo "$(basename "$deb")"

echo "== dpkg-deb --contents"
packed=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' |
  grep -v '^usr/share/quorvan/course/' | sort)
if [ "$packed" != "$expected" ]; then
  fail "packed files differ from the expected ones (< expected, > packed):"
  diff <(echo "$expected") <(echo "$packed") >&2 || true
fi
course_files=$(cd "$build/share/quorvan/course" && find . -type f | sed 's|^\./|usr/share/quorvan/course/|' | sort)
packed_course=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' |
  grep '^usr/share/quorvan/course/' | sort)
[ "$course_files" = "$packed_course" ] || fail "the packed sample course differs from the built one"

echo "== dpkg-deb --field"
dpkg-deb --field "$deb" Package Version Section Maintainer Depends
[ "$(dpkg-deb --field "$deb" Section)" = education ] || fail "section is not education"
[ "$(dpkg-deb --field "$deb" Maintainer)" = "Quorvan developers <quorvan@example.org>" ] ||
  fail "wrong maintainer"
depends=$(dpkg-deb --field "$deb" Depends)
# The last two come from dpkg-shlibdeps: without them the dependencies were not computed.
for needed in espeak-ng-data fonts-wqy-microhei libespeak-ng1 libqt6webenginecore6; do
  grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed"
done

echo "== lintian"
lintian_status=0
lintian --fail-on error "$deb" 2>&1 | grep -v 'running with root privileges' || lintian_status=${PIPESTATUS[0]}
[ "$lintian_status" -eq 0 ] || fail "lintian reported errors (status $lintian_status)"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all install and package checks passed"

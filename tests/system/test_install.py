"""System tests: the program installed as a desktop program, and its package.

    VESPERON_BUILD_DIR=build /usr/bin/python3 -m unittest -v tests/system/test_install.py

`cmake --install` puts the built program into temporary DESTDIRs, under the
prefix /usr (where the Debian package puts it) and under /opt/vesperon
(anywhere else). The tests check the files and their places, validate the
menu entry and the AppStream file with desktop-file-validate and appstreamcli,
take it all away again with the uninstall script, build the Debian package
with cpack and compare it with the install, and start the installed program
as the desktop's menu does: the entry's Exec looked up on PATH, in the home
folder, with the window then showing a skin picture from share/vesperon.

Environment (set by ctest):
  VESPERON_BUILD_DIR   the build tree (default build/ in this checkout)
  VESPERON_CMAKE, VESPERON_CPACK   cmake and cpack (default: from PATH)
  VESPERON_VERSION     the project's version (default: from the build tree's cache)
"""

import configparser
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.testcase import DesktopTestCase  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.normpath(os.path.join(HERE, "..", ".."))
BUILD_DIR = os.environ.get("VESPERON_BUILD_DIR", os.path.join(SOURCE_DIR, "build"))
CMAKE = os.environ.get("VESPERON_CMAKE", "cmake")
CPACK = os.environ.get("VESPERON_CPACK", "cpack")


def _cached_version():
    """The project's version as the build tree's CMake cache has it."""
    with open(os.path.join(BUILD_DIR, "CMakeCache.txt"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("CMAKE_PROJECT_VERSION:"):
                return line.split("=", 1)[1].strip()
    raise RuntimeError("no CMAKE_PROJECT_VERSION in the build tree's CMakeCache.txt")


VERSION = os.environ.get("VESPERON_VERSION") or _cached_version()

ICON_SIZES = (16, 32, 48, 128)
SKINS = ("星空", "天空", "大海")
# Everything an install puts under the prefix, by the freedesktop and Debian
# conventions.
FILES = {
    "bin/vesperon",
    *("share/vesperon/%s%s.jpg" % (skin, scale) for skin in SKINS for scale in ("", "@2x")),
    "share/vesperon/pictures@2x.rcc",
    "share/applications/vesperon.desktop",
    *("share/icons/hicolor/%dx%d/apps/vesperon.png" % (s, s) for s in ICON_SIZES),
    "share/icons/hicolor/scalable/apps/vesperon.svg",
    "share/metainfo/org.example.vesperon.metainfo.xml",
    "share/man/man1/vesperon.1.gz",
    "share/doc/vesperon/copyright",
    "share/doc/vesperon/changelog.Debian.gz",
}
OWN_FOLDERS = ("share/vesperon", "share/doc/vesperon")
DESKTOP_ENTRY = "share/applications/vesperon.desktop"
METAINFO = "share/metainfo/org.example.vesperon.metainfo.xml"

# "大海" in GBK, as skin.txt holds it.
SEA = b"\xb4\xf3\xba\xa3\r\n"
# Spots of the main window's client area where the picture shows.
SPOTS = [(2, 188), (243, 40), (5, 5)]
TOLERANCE = 8


def run(argv, **kw):
    kw.setdefault("capture_output", True)
    kw.setdefault("text", True)
    kw.setdefault("timeout", 300)
    return subprocess.run(argv, **kw)


def install(destdir, prefix):
    """cmake --install into destdir under prefix; returns destdir + prefix."""
    r = run([CMAKE, "--install", BUILD_DIR, "--prefix", prefix],
            env=dict(os.environ, DESTDIR=destdir))
    if r.returncode != 0:
        raise AssertionError("cmake --install failed:\n" + r.stdout + r.stderr)
    return destdir + prefix


def tree(root):
    """(files, folders) under root, as paths relative to it."""
    files, folders = set(), set()
    for path, dirs, names in os.walk(root):
        rel = os.path.relpath(path, root)
        for d in dirs:
            folders.add(os.path.normpath(os.path.join(rel, d)))
        for n in names:
            files.add(os.path.normpath(os.path.join(rel, n)))
    return files, folders


def desktop_entry(root):
    parser = configparser.RawConfigParser(interpolation=None, delimiters=("=",))
    parser.optionxform = str  # keys are case-sensitive
    with open(os.path.join(root, DESKTOP_ENTRY), encoding="utf-8") as f:
        parser.read_file(f)
    return parser["Desktop Entry"]


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")


def picture_pixel(path, x, y):
    out = run(["convert", path, "-format",
               "%%[fx:int(255*p{%d,%d}.r)],%%[fx:int(255*p{%d,%d}.g)],%%[fx:int(255*p{%d,%d}.b)]"
               % (x, y, x, y, x, y), "info:"], check=True).stdout
    return tuple(int(v) for v in out.strip().split(","))


def close(a, b):
    return all(abs(p - q) <= TOLERANCE for p, q in zip(a, b))


_state = {}


def setUpModule():
    # cmake --install and cpack rewrite the build tree's install manifest;
    # keep the one a user's own install left there.
    manifest = os.path.join(BUILD_DIR, "install_manifest.txt")
    _state["manifest"] = None
    if os.path.exists(manifest):
        with open(manifest, "rb") as f:
            _state["manifest"] = f.read()
    _state["tmp"] = tempfile.mkdtemp(prefix="vesperon-install-")
    _state["usr"] = install(os.path.join(_state["tmp"], "debian"), "/usr")
    _state["opt"] = install(os.path.join(_state["tmp"], "opt"), "/opt/vesperon")


def tearDownModule():
    manifest = os.path.join(BUILD_DIR, "install_manifest.txt")
    if _state.get("manifest") is None:
        if os.path.exists(manifest):
            os.remove(manifest)
    else:
        with open(manifest, "wb") as f:
            f.write(_state["manifest"])
    shutil.rmtree(_state["tmp"], ignore_errors=True)


class InstallTest(unittest.TestCase):

    def test_layout_under_any_prefix(self):
        """The same files under /usr and /opt/vesperon, inside DESTDIR only,
        with the modes Debian gives: the program 755, the rest 644."""
        for prefix in ("usr", "opt"):
            root = _state[prefix]
            with self.subTest(prefix=prefix):
                destdir = os.path.join(_state["tmp"], "debian" if prefix == "usr" else "opt")
                files, _ = tree(destdir)
                self.assertEqual({os.path.relpath(os.path.join(destdir, f), root)
                                  for f in files}, FILES)
                for rel in FILES:
                    mode = stat.S_IMODE(os.stat(os.path.join(root, rel)).st_mode)
                    self.assertEqual(mode, 0o755 if rel.startswith("bin/") else 0o644,
                                     "%s has mode %o" % (rel, mode))

    def test_menu_entry_and_metainfo_validate(self):
        root = _state["usr"]
        r = run(["desktop-file-validate", os.path.join(root, DESKTOP_ENTRY)])
        self.assertEqual((r.returncode, r.stdout + r.stderr), (0, ""))
        r = run(["appstreamcli", "validate", "--no-net", "--pedantic",
                 os.path.join(root, METAINFO)])
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        # The tree as a whole: the metainfo's launchable is there.
        r = run(["appstreamcli", "validate-tree", "--no-net", root])
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)

    def test_menu_entry_names_what_is_installed(self):
        """Its program is the installed one on PATH, its icon is in every
        size, and the metainfo points at it."""
        root = _state["usr"]
        entry = desktop_entry(root)
        self.assertEqual(entry["Name"], "关机工具")
        for key in ("Comment", "Comment[zh_CN]", "Keywords", "Keywords[zh_CN]"):
            self.assertTrue(entry.get(key), key)
        self.assertIn("Utility", entry["Categories"].split(";"))
        path = os.path.join(root, "bin")
        for key in ("Exec", "TryExec"):
            self.assertEqual(shutil.which(entry[key].split()[0], path=path),
                             os.path.join(root, "bin", "vesperon"), key)

        icon = entry["Icon"]
        for size in ICON_SIZES:
            png = os.path.join(root, "share/icons/hicolor/%dx%d/apps/%s.png" % (size, size, icon))
            self.assertEqual(png_size(png), (size, size), png)
        svg = ET.parse(os.path.join(root, "share/icons/hicolor/scalable/apps/%s.svg" % icon))
        self.assertEqual(svg.getroot().tag, "{http://www.w3.org/2000/svg}svg")

        component = ET.parse(os.path.join(root, METAINFO)).getroot()
        self.assertEqual(component.findtext("launchable[@type='desktop-id']"),
                         os.path.basename(DESKTOP_ENTRY))
        self.assertEqual(component.findtext("provides/binary"), entry["Exec"].split()[0])
        self.assertEqual(component.find("releases/release").get("version"), VERSION)

    def test_uninstall_takes_everything_away(self):
        """Every installed file and the program's own folders go; a file of
        another program beside its icon stays."""
        destdir = os.path.join(_state["tmp"], "uninstall")
        root = install(destdir, "/opt/vesperon")
        other = os.path.join(root, "share/icons/hicolor/48x48/apps/other.png")
        with open(other, "wb") as f:
            f.write(b"not ours")
        r = run([CMAKE, "-D", "CMAKE_INSTALL_PREFIX=/opt/vesperon", "-P",
                 os.path.join(BUILD_DIR, "packaging", "uninstall.cmake")],
                env=dict(os.environ, DESTDIR=destdir))
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        files, folders = tree(destdir)
        self.assertEqual(files, {os.path.relpath(other, destdir)})
        for folder in OWN_FOLDERS:
            self.assertNotIn(os.path.relpath(os.path.join(root, folder), destdir), folders)


class PackageTest(unittest.TestCase):
    """cpack -G DEB from the same build: what apt will see."""

    @classmethod
    def setUpClass(cls):
        cls.out = os.path.join(_state["tmp"], "package")
        r = run([CPACK, "-G", "DEB", "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"),
                 "-B", cls.out], cwd=BUILD_DIR)
        if r.returncode != 0:
            raise AssertionError("cpack failed:\n" + r.stdout + r.stderr)
        arch = run(["dpkg", "--print-architecture"], check=True).stdout.strip()
        cls.deb = os.path.join(cls.out, "vesperon_%s-1_%s.deb" % (VERSION, arch))
        if not os.path.exists(cls.deb):
            raise AssertionError("no %s in %s" % (os.path.basename(cls.deb), os.listdir(cls.out)))

    def field(self, name):
        return run(["dpkg-deb", "--field", self.deb, name], check=True).stdout.rstrip("\n")

    @staticmethod
    def alternatives(relation_field):
        return [[alt.split("(")[0].strip() for alt in rel.split("|")]
                for rel in relation_field.split(",") if rel.strip()]

    def test_control_fields(self):
        self.assertEqual(self.field("Package"), "vesperon")
        self.assertEqual(self.field("Version"), VERSION + "-1")
        self.assertEqual(self.field("Section"), "utils")
        self.assertEqual(self.field("Maintainer"), "Vesperon developers <vesperon@example.org>")
        recommends = self.alternatives(self.field("Recommends"))
        self.assertIn(["fonts-wqy-microhei", "fonts-noto-cjk"], recommends)
        self.assertIn(["xdg-utils"], recommends)
        self.assertIn(["libcurl4"], recommends)  # loaded when the update check first runs
        # The long description is the text in packaging/, unchanged.
        with open(os.path.join(SOURCE_DIR, "packaging", "description.txt"), encoding="utf-8") as f:
            paragraphs = f.read().strip().split("\n\n")
        expected = "\n .\n".join("\n".join(" " + line for line in p.split("\n"))
                                 for p in paragraphs)
        summary, _, long = self.field("Description").partition("\n")
        self.assertTrue(summary)
        self.assertEqual(long, expected)

    def test_depends_are_the_libraries_the_program_links(self):
        """Each shared library the program needs comes from a package in
        Depends, and Depends names nothing else."""
        needed = re.findall(r"\(NEEDED\)\s+Shared library: \[(.+?)\]",
                            run(["readelf", "-d", os.path.join(BUILD_DIR, "vesperon")],
                                check=True).stdout)
        self.assertIn("libQt6Widgets.so.6", needed)
        # This architecture's copy (not lib32's, say).
        multiarch = run(["dpkg-architecture", "-qDEB_HOST_MULTIARCH"], check=True).stdout.strip()
        owners = set()
        for soname in needed:
            r = run(["dpkg-query", "--search", "*/%s/%s" % (multiarch, soname)])
            self.assertEqual(r.returncode, 0, "no package holds %s" % soname)
            for line in r.stdout.splitlines():
                packages = line.rsplit(": ", 1)[0]
                owners |= {p.split(":")[0] for p in packages.split(", ")}
        depends = {alt for rel in self.alternatives(self.field("Depends")) for alt in rel}
        self.assertEqual(depends, owners)

    def test_files_are_those_of_the_install(self):
        listing = run(["dpkg-deb", "--contents", self.deb], check=True).stdout
        files = {line.split()[-1].lstrip("./") for line in listing.splitlines()
                 if line.startswith("-")}
        self.assertEqual(files, {"usr/" + f for f in FILES})
        unpacked = os.path.join(self.out, "unpacked")
        run(["dpkg-deb", "--extract", self.deb, unpacked], check=True)
        sections = run(["readelf", "-S", os.path.join(unpacked, "usr/bin/vesperon")],
                       check=True).stdout
        self.assertNotIn(".symtab", sections, "the program in the package is not stripped")


class InstalledProgramTest(DesktopTestCase):

    def test_starts_from_the_menu_entry_with_its_skin(self):
        """Started as the menu starts it (Exec on PATH, in the home folder,
        where skin.txt says 大海), it shows share/vesperon/大海.jpg, in a
        window of the class the entry names."""
        root = _state["usr"]
        d = self.start_desktop(launch=False)
        with open(os.path.join(d.home, "skin.txt"), "wb") as f:
            f.write(SEA)
        entry = desktop_entry(root)
        path = os.path.join(root, "bin") + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin")
        program = shutil.which(entry["Exec"].split()[0], path=path)
        d.launch(binary=program, cwd=d.home, env={"PATH": path})

        sea = os.path.join(root, "share/vesperon/大海.jpg")
        own = os.path.join(BUILD_DIR, "pictures", "background.jpg")
        shot = d.screenshot(os.path.join(d.tmp, "installed.png"))
        for x, y in SPOTS:
            expected = picture_pixel(sea, x, y)
            # Only a spot where the sea differs from the window's own picture
            # tells the two apart.
            self.assertFalse(close(expected, picture_pixel(own, x, y)), (x, y))
            got = d.client_pixel(x, y, shot)
            self.assertTrue(close(got, expected),
                            "at %d,%d the window shows %s, not the sea's %s\n%s"
                            % (x, y, got, expected, d.describe()))

        wm_class = run(["xprop", "-id", str(d.main_window), "WM_CLASS"], env=d.env(),
                       check=True).stdout
        self.assertEqual(re.findall(r'"([^"]*)"', wm_class)[-1], entry["StartupWMClass"])
        self.assertRunning()
        self.save_shot("installed.png")


if __name__ == "__main__":
    unittest.main()

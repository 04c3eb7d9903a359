#!/usr/bin/python3
"""The layer check on small trees written for each case: what it must find and what it must let
pass."""
import pathlib
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import check_layers  # noqa: E402

# A tree that honours the order: each folder includes the one below, in every way an include
# can be written.
SOUND = {
    "platform/os/clock.h": "#include <chrono>\n",
    "sim/common/log.h": '#include "platform/os/clock.h"\n',
    "sim/camera/head.cpp": '#include "sim/common/log.h"\n#include "head.h"\n',
    "sim/camera/head.h": "",
    "platform/atmcd/atmcd.cpp": '#include <sim/camera/head.h>\n',
    "platform/wvcontrol/wvcontrol.h": "",
    "platform/ui/model.h": '#include "platform/os/clock.h"\n',
    "platform/ui/userint.cpp": '#include "model.h"\n#include "services.h"\n',
    "platform/ui/services.h": "",
    "platform/ui/script/session.cpp": '#include "../services.h"\n#include "session.h"\n',
    "platform/ui/script/session.h": "",
    "platform/ui/qt/tools/editor.cpp": ('#include "platform/ui/model.h"\n'
                                        '#include "platform/wvcontrol/wvcontrol.h"\n'
                                        "#include <QtWidgets/QDialog>\n"),
    "state/HELX.h": '#include "platform/ui/model.h"\n',
    "motors/motors.cpp": '#include "state/HELX.h"\n#include <nlohmann/json.hpp>\n',
    "files/fits.cpp": '#include "motors/motors.h"\n',
    "motors/motors.h": "",
    "camera/camera.h": '#include "files/fits.h"\n#include "platform/atmcd/atmcd.h"\n',
    "files/fits.h": "",
    "platform/atmcd/atmcd.h": "",
    "display/display.cpp": '#include "files/fits.h"\n',
    "scanner/scanner.cpp": '#include "camera/camera.h"\n',
    "sequence/run.cpp": '#include "scanner/scanner.h"\n#include "display/display.h"\n',
    "scanner/scanner.h": "",
    "display/display.h": "",
    "app/main.cpp": '#include "sequence/run.h"\n#include "platform/ui/services.h"\n',
    "sequence/run.h": "",
}


class Tree:
    def __init__(self, files):
        self.dir = tempfile.TemporaryDirectory()
        self.root = pathlib.Path(self.dir.name)
        for path, text in files.items():
            (self.root / path).parent.mkdir(parents=True, exist_ok=True)
            (self.root / path).write_text(text)

    def __enter__(self):
        return check_layers.problems(self.root)

    def __exit__(self, *exc):
        self.dir.cleanup()


def tree(changes):
    """The sound tree with files added or replaced."""
    return Tree({**SOUND, **changes})


class CheckLayers(unittest.TestCase):
    def test_a_sound_tree_passes(self):
        with Tree(SOUND) as found:
            self.assertEqual(found, [])

    def test_an_upward_include_names_its_file_its_line_and_both_layers(self):
        with tree({"motors/link.cpp": '// the link\n\n#include "scanner/scanner.h"\n'}) as found:
            self.assertEqual(len(found), 1)
            self.assertTrue(found[0].startswith('motors/link.cpp:3: motors includes scanner'),
                            found[0])
            self.assertIn("scanner is above motors", found[0])

    def test_a_sideways_include_fails_both_in_the_system_and_in_the_platform(self):
        with tree({"camera/x.cpp": '#include "display/display.h"\n',
                  "platform/pcomm/pcomm.cpp": '#include "platform/atmcd/atmcd.h"\n'}) as found:
            text = "\n".join(found)
            self.assertEqual(len(found), 2, text)
            self.assertIn("camera/x.cpp:1: camera includes display", text)
            self.assertIn("display is beside camera", text)
            self.assertIn("platform/atmcd is beside platform/pcomm", text)

    def test_angle_bracket_project_includes_are_read_and_library_ones_are_not(self):
        with tree({"state/buffers.cpp": "#include <vector>\n#include <camera/camera.h>\n"}) as found:
            self.assertEqual(len(found), 1, found)
            self.assertIn("state/buffers.cpp:2: state includes camera (<camera/camera.h>)",
                          found[0])

    def test_an_include_is_resolved_from_its_file_or_counts_by_the_path_it_names(self):
        # No platform/ui/session.h, no session.h at the root: a name of no layer.
        with tree({"platform/ui/loop.cpp": '#include "session.h"\n',
                  "motors/step.cpp": '#include "../camera/camera.h"\n'}) as found:
            self.assertEqual(len(found), 1, found)
            self.assertIn("motors includes camera", found[0])

    def test_a_circle_between_the_runtime_and_a_front_end_is_found(self):
        with tree({"platform/ui/userint.cpp": '#include "script/session.h"\n'}) as found:
            self.assertEqual(len(found), 1, found)
            self.assertIn("platform/ui/userint.cpp:1: platform/ui includes platform/ui/script",
                          found[0])
            self.assertIn("closes the circle platform/ui -> platform/ui/script -> platform/ui",
                          found[0])

    def test_the_front_ends_are_layers_of_their_own(self):
        with tree({"platform/ui/web/page.cpp": '#include "platform/ui/qt/tools/editor.h"\n',
                  "platform/ui/qt/tools/editor.h": ""}) as found:
            self.assertEqual(len(found), 1, found)
            self.assertIn("platform/ui/qt is beside platform/ui/web", found[0])

    def test_the_design_rules_hold_beside_the_order(self):
        with tree({"app/sim.cpp": '#include "sim/camera/head.h"\n',
                  "app/view.cpp": '#include "platform/ui/qt/tools/editor.h"\n',
                  "platform/ui/qt/tools/editor.h": "",
                  "sim/pmac/ui.cpp": '#include "platform/ui/model.h"\n'}) as found:
            text = "\n".join(found)
            self.assertEqual(len(found), 3, text)
            self.assertIn("app/sim.cpp:1: app includes sim/camera", text)
            self.assertIn("the system includes a simulator", text)
            self.assertIn("the system includes a front-end", text)
            self.assertIn("a simulator includes the operator-interface runtime", text)

    def test_a_folder_outside_the_order_is_named(self):
        with tree({"platform/gps/gps.cpp": "", "platform/ui/tui/view.cpp": ""}) as found:
            self.assertEqual(len(found), 2, found)
            self.assertIn("platform/gps/ holds sources but is no layer", found[0])
            self.assertIn("platform/ui/tui/ holds sources but is no layer", found[1])

    def test_commented_out_includes_are_not_read(self):
        with tree({"motors/old.cpp": '/* once:\n#include "app/main.h"\n*/\n// #include "app/x.h"\n'
                  '#include "state/HELX.h"\n'}) as found:
            self.assertEqual(found, [])


if __name__ == "__main__":
    unittest.main()

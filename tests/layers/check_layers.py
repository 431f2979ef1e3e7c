#!/usr/bin/env python3
"""Checks the include graph of the library against its layers.

  check_layers.py SOURCE_DIR     checks the project in SOURCE_DIR
  check_layers.py --self-test    checks that each kind of violation is found

The rules (CONTRIBUTING.md):
  - src/ is built from layers, highest first: api, startup, areas, kit,
    schema, transport, platform, records, core. A file includes only files
    of its own layer or of layers below it.
  - An area may use another area, but the areas' include graph has no cycle.
    Below the areas, nothing names one: only api/ and startup/ include the
    list of areas (areas/areas.h), and nothing outside areas/ includes a
    file of one area.
  - Library code never includes a header of the emulated adapter; the
    emulator includes from src/ only records/, core/ and platform/.
  - Public headers (include/) include nothing from src/; the command-line
    tools include only public headers.
"""
import os
import re
import sys
import tempfile

LAYERS = ['api', 'startup', 'areas', 'kit', 'schema', 'transport', 'platform', 'records', 'core']
EMULATOR_MAY_USE = {'records', 'core', 'platform'}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCE = re.compile(r'\.(h|cc|c|inc)$')


def files_under(root, folder):
    base = os.path.join(root, folder)
    for directory, _, names in os.walk(base):
        for name in names:
            if SOURCE.search(name):
                path = os.path.join(directory, name)
                yield os.path.relpath(path, root)


def includes_of(root, path):
    with open(os.path.join(root, path), encoding='utf-8', errors='replace') as f:
        return INCLUDE.findall(f.read())


def resolve(root, including, name):
    """The project file an include names: ('src'|'emulator'|'include'|'local', path) or None.

    Like the compiler, a quoted include is first looked up beside the file that
    includes it, then on the include path."""
    local = os.path.normpath(os.path.join(os.path.dirname(including), name))
    if os.path.isfile(os.path.join(root, local)):
        top = local.split('/')[0]
        return (top if top in ('src', 'emulator', 'include') else 'local'), local
    for kind in ('src', 'emulator', 'include'):
        if os.path.isfile(os.path.join(root, kind, name)):
            return kind, os.path.join(kind, name)
    return None


def layer_of(src_path):
    """The layer of a path under src/ ('src/areas/iscsi/x.h' -> 'areas')."""
    parts = src_path.split('/')
    return parts[1] if len(parts) > 2 and parts[1] in LAYERS else None


def area_of(src_path):
    """The area of a path under src/areas/<area>/, or None (the list itself)."""
    parts = src_path.split('/')
    if len(parts) > 3 and parts[1] == 'areas':
        return parts[2]
    return None


def check(root):
    problems = []
    area_edges = {}
    for path in files_under(root, 'src'):
        layer = layer_of(path)
        if layer is None:
            if path.count('/') > 1:
                problems.append(f'{path}: not inside a layer ({", ".join(LAYERS)})')
            continue
        for name in includes_of(root, path):
            target = resolve(root, path, name)
            if target is None:
                continue
            kind, target_path = target
            if kind == 'emulator':
                problems.append(f'{path}: includes the emulator header {name}')
                continue
            if kind != 'src':
                continue
            target_layer = layer_of(target_path)
            if target_layer is None:
                continue
            if LAYERS.index(target_layer) < LAYERS.index(layer):
                problems.append(f'{path}: layer {layer} includes {name} of layer {target_layer} above it')
            target_area = area_of(target_path)
            own_area = area_of(path)
            if target_layer == 'areas' and target_area is None and layer == 'areas' and own_area is None:
                continue
            if target_area is not None and layer != 'areas':
                problems.append(f'{path}: names the area {target_area} ({name}); only the area list may')
            if target_area is not None and own_area is not None and target_area != own_area:
                area_edges.setdefault(own_area, set()).add(target_area)
    problems += area_cycles(area_edges)
    for path in files_under(root, 'emulator'):
        for name in includes_of(root, path):
            target = resolve(root, path, name)
            if target and target[0] == 'src' and layer_of(target[1]) not in EMULATOR_MAY_USE:
                problems.append(f'{path}: the emulator includes {name} of layer {layer_of(target[1])}')
    for path in files_under(root, 'include'):
        for name in includes_of(root, path):
            target = resolve(root, path, name)
            if target and target[0] == 'src':
                problems.append(f'{path}: a public header includes {name}')
    for path in files_under(root, 'tools'):
        for name in includes_of(root, path):
            target = resolve(root, path, name)
            if target and target[0] in ('src', 'emulator'):
                problems.append(f'{path}: a tool includes the private header {name}')
    return problems


def area_cycles(edges):
    """One problem per cycle found among the areas' includes."""
    problems = []
    state = {}

    def visit(area, trail):
        state[area] = 'open'
        for other in sorted(edges.get(area, ())):
            if state.get(other) == 'open':
                cycle = trail[trail.index(other):] + [other]
                problems.append('areas include each other in a cycle: ' + ' -> '.join(cycle))
            elif other not in state:
                visit(other, trail + [other])
        state[area] = 'done'

    for area in sorted(edges):
        if area not in state:
            visit(area, [area])
    return problems


def self_test():
    """Each rule, broken once in a small project, must be reported."""
    cases = {
        'core includes the schema': {'src/core/a.h': '#include "schema/b.h"', 'src/schema/b.h': ''},
        'schema includes start-up': {'src/schema/a.cc': '#include "startup/b.h"',
                                     'src/startup/b.h': ''},
        'schema names an area': {'src/schema/a.cc': '#include "areas/iscsi/b.h"',
                                 'src/areas/iscsi/b.h': ''},
        'start-up names an area': {'src/startup/a.cc': '#include "areas/iscsi/b.h"',
                                   'src/areas/iscsi/b.h': ''},
        'transport includes start-up': {'src/transport/a.cc': '#include "startup/b.h"',
                                        'src/startup/b.h': ''},
        'areas in a cycle': {'src/areas/x/a.h': '#include "areas/y/b.h"',
                             'src/areas/y/b.h': '#include "areas/x/a.h"'},
        'library includes the emulator': {'src/core/a.cc': '#include "emulator.h"',
                                          'emulator/emulator.h': ''},
        'emulator includes a handler': {'emulator/e.cc': '#include "areas/iscsi/b.h"',
                                        'src/areas/iscsi/b.h': ''},
        'public header includes src': {'include/oxim/p.h': '#include "core/b.h"',
                                       'src/core/b.h': ''},
    }
    allowed = {'src/api/a.cc': '#include "areas/areas.h"\n#include "startup/s.h"',
               'src/startup/s.h': '#include "areas/areas.h"', 'src/areas/areas.h': '',
               'src/areas/x/a.cc': '#include "areas/areas.h"\n#include "areas/y/b.h"',
               'src/areas/y/b.h': '#include "kit/k.h"', 'src/kit/k.h': '#include "core/c.h"',
               'src/core/c.h': '', 'emulator/e.cc': '#include "records/r.h"',
               'src/records/r.h': '#include "core/c.h"'}
    failures = []
    for label, files in list(cases.items()) + [('allowed', allowed)]:
        with tempfile.TemporaryDirectory() as root:
            for path, text in files.items():
                os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
                with open(os.path.join(root, path), 'w') as f:
                    f.write(text + '\n')
            problems = check(root)
            if label == 'allowed' and problems:
                failures.append(f'allowed includes reported: {problems}')
            elif label != 'allowed' and not problems:
                failures.append(f'not reported: {label}')
    for failure in failures:
        print(failure)
    return 1 if failures else 0


def main():
    if sys.argv[1:] == ['--self-test']:
        return self_test()
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    problems = check(sys.argv[1])
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())

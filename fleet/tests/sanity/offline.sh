#!/usr/bin/env bash
# ansible-test sanity over the collection, the tests that run offline, under
# the system's Python. ansible-test wants the collection at a path
# .../ansible_collections/kip/param, so it runs on a copy in build/.
# Skipped: ansible-doc, import, pep8, pylint, runtime-metadata,
# validate-modules and yamllint, which install pinned requirements from PyPI
# into a virtual environment first (the integration test renders both
# modules' documentation with ansible-doc instead).
#   fleet/tests/sanity/offline.sh
set -euo pipefail
cd "$(dirname "$0")/../../.."
scripts/lib/need-packages fleet-sanity ansible-core shellcheck git
rm -rf build/ansible-sanity
mkdir -p build/ansible-sanity/ansible_collections/kip/param
git -C fleet ls-files -z | tar -C fleet --null -T - -c | tar -x -C build/ansible-sanity/ansible_collections/kip/param
cd build/ansible-sanity/ansible_collections/kip/param
# Its own repository: ansible-test lists the files through git, and build/ is ignored.
git init -q .
ansible-test sanity --python "$(/usr/bin/python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')" \
  --python-interpreter /usr/bin/python3 --skip-test={ansible-doc,import,pep8,pylint,runtime-metadata,validate-modules,yamllint}

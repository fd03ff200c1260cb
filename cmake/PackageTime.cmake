# SPDX-License-Identifier: GPL-3.0-or-later
# Read by cpack: every time stamp in the packages is the last commit's, unless
# SOURCE_DATE_EPOCH is already set (a build from a release tarball without git sets it or
# gets the time of packaging).
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C "${CPACK_SPINLAB_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE status ERROR_QUIET)
  if(status EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
  endif()
endif()

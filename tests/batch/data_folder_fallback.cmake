# Where zorvan-batch looks for its tables without --data: the working
# directory when it holds atom.csv, then the user's folder
# $XDG_DATA_HOME/zorvan (HOME/.local/share/zorvan when that is unset, empty or
# relative), otherwise the installed data folder. FALLBACK_BATCH is the same
# program built with FALLBACK_DIR as that folder, so this script can empty
# and fill it; BATCH is the real build. Every run gets its own HOME and
# XDG_DATA_HOME (set with `xdg` and `home`, "" for unset). Last, the one
# option that depends on another: --header wants --format tsv.

file(REMOVE_RECURSE ${FALLBACK_DIR} ${WORK})
file(MAKE_DIRECTORY ${WORK}/home ${WORK}/xdg)
file(WRITE ${WORK}/input.txt "H2O\r\nPhOH\n")
set(home ${WORK}/home)
set(xdg "")

# Runs PROGRAM in folder DIR on input.txt with the arguments that follow and
# sets out, err and status.
function(run program dir)
  set(env --unset=XDG_DATA_HOME --unset=HOME)
  if(NOT xdg STREQUAL "")
    list(APPEND env "XDG_DATA_HOME=${xdg}")
  endif()
  if(NOT home STREQUAL "")
    list(APPEND env "HOME=${home}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${env} ${program} ${ARGN} WORKING_DIRECTORY ${dir}
    INPUT_FILE ${WORK}/input.txt
    OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr RESULT_VARIABLE rc)
  set(out "${stdout}" PARENT_SCOPE)
  set(err "${stderr}" PARENT_SCOPE)
  set(status "${rc}" PARENT_SCOPE)
endfunction()

# Fails with WHAT and the last run's output unless the condition that follows holds.
function(expect what)
  if(NOT (${ARGN}))
    message(FATAL_ERROR "${what}\nstatus: ${status}\nstdout:\n${out}\nstderr:\n${err}")
  endif()
endfunction()

function(expect_in what needle haystack)
  string(FIND "${haystack}" "${needle}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${what}: no \"${needle}\" in:\n${haystack}")
  endif()
endfunction()

# The real build names the folder it was configured with.
run(${BATCH} ${WORK} --help)
expect_in("--help of the real build" "Data folder now: ${INSTALLED_DIR} (installed example data; " "${out}")

# The reference: the example data named with --data.
run(${BATCH} ${WORK} --data ${DATA})
expect("the reference run fails" status EQUAL 0)
set(reference "${out}")
expect_in("the reference run" "18.01528" "${reference}")

# Nothing in the working directory, nothing in the user's folder, nothing
# installed: the missing file and the folders it was looked for in, in
# order, are named, with status 1.
run(${FALLBACK_BATCH} ${WORK} --help)
expect_in("--help without data" "(installed example data; does not exist)" "${out}")
run(${FALLBACK_BATCH} ${WORK})
expect("without data the status is not 1" status EQUAL 1)
expect_in("the message for a missing file" "atom.csv (${FALLBACK_DIR})" "${err}")
expect_in("the folders looked at" "\n  ${WORK}\n  ${home}/.local/share/zorvan\n  ${FALLBACK_DIR}\n" "${err}")
expect("without data a report was written" NOT out MATCHES ".")

# The user's folder: HOME/.local/share/zorvan, unless XDG_DATA_HOME is an
# absolute path; a relative one is ignored, and HOME then counts.
file(COPY ${DATA}/atom.csv ${DATA}/group.csv DESTINATION ${home}/.local/share/zorvan)
foreach(xdg "" "relative/xdg")
  run(${FALLBACK_BATCH} ${WORK} --help)
  expect_in("--help with a user folder" "Data folder now: ${home}/.local/share/zorvan (the user's data folder; holds atom.csv)" "${out}")
  run(${FALLBACK_BATCH} ${WORK})
  expect("the user's tables were not used" out STREQUAL reference)
endforeach()
set(xdg ${WORK}/xdg)
run(${FALLBACK_BATCH} ${WORK})
expect_in("an absolute XDG_DATA_HOME without atom.csv is passed over" "\n  ${WORK}/xdg/zorvan\n" "${err}")
file(COPY ${DATA}/atom.csv ${DATA}/group.csv DESTINATION ${WORK}/xdg/zorvan)
run(${FALLBACK_BATCH} ${WORK} --help)
expect_in("--help with XDG_DATA_HOME" "Data folder now: ${WORK}/xdg/zorvan (the user's data folder; holds atom.csv)" "${out}")
set(home "")
run(${FALLBACK_BATCH} ${WORK})
expect("the tables of XDG_DATA_HOME were not used" out STREQUAL reference)

# A working directory that holds atom.csv wins.
run(${FALLBACK_BATCH} ${DATA} --help)
expect_in("--help in the data folder" "Data folder now: ${DATA} (the working directory; holds atom.csv)" "${out}")
run(${FALLBACK_BATCH} ${DATA})
expect("the working directory's tables were not used" status EQUAL 0)
expect("the working directory's tables give another report" out STREQUAL reference)

# With the data installed, any folder will do.
set(xdg "")
set(home "")
file(COPY ${DATA}/atom.csv ${DATA}/group.csv DESTINATION ${FALLBACK_DIR})
run(${FALLBACK_BATCH} ${WORK} --help)
expect_in("--help elsewhere" "Data folder now: ${FALLBACK_DIR} (installed example data; holds atom.csv)" "${out}")
run(${FALLBACK_BATCH} ${WORK})
expect("the installed tables were not used" status EQUAL 0)
expect("the installed tables give another report" out STREQUAL reference)

# A header is tsv's alone: asked for with another format, it is a usage error.
foreach(format report jsonl)
  run(${BATCH} ${WORK} --data ${DATA} --format ${format} --header)
  expect("--header with ${format} is not a usage error" status EQUAL 2 AND NOT out MATCHES ".")
  expect_in("--header with ${format}" "--header は --format tsv と使います" "${err}")
endforeach()

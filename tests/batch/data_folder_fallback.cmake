# Where zorvan-batch looks for its tables without --data: the working
# directory when it holds atom.csv, otherwise the installed data folder.
# FALLBACK_BATCH is the same program built with FALLBACK_DIR as that folder,
# so this script can empty and fill it; BATCH is the real build.

file(REMOVE_RECURSE ${FALLBACK_DIR} ${WORK})
file(MAKE_DIRECTORY ${FALLBACK_DIR} ${WORK})
file(WRITE ${WORK}/input.txt "H2O\r\nPhOH\n")

# Runs PROGRAM in folder DIR on input.txt with the arguments that follow and
# sets out, err and status.
function(run program dir)
  execute_process(COMMAND ${program} ${ARGN} WORKING_DIRECTORY ${dir}
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
expect_in("--help of the real build" "Data folder now: ${INSTALLED_DIR} (installed example data)" "${out}")

# The reference: the example data named with --data.
run(${BATCH} ${WORK} --data ${DATA})
expect("the reference run fails" status EQUAL 0)
set(reference "${out}")
expect_in("the reference run" "18.01528" "${reference}")

# Nothing in the working directory, nothing installed: the missing file and
# the folder it was looked for in are named, with status 1.
run(${FALLBACK_BATCH} ${WORK})
expect("without data the status is not 1" status EQUAL 1)
expect_in("the message for a missing file" "atom.csv" "${err}")
expect_in("the message for a missing file" "(${FALLBACK_DIR})" "${err}")
expect("without data a report was written" NOT out MATCHES ".")

# A working directory that holds atom.csv wins.
run(${FALLBACK_BATCH} ${DATA} --help)
expect_in("--help in the data folder" "(the working directory)" "${out}")
run(${FALLBACK_BATCH} ${DATA})
expect("the working directory's tables were not used" status EQUAL 0)
expect("the working directory's tables give another report" out STREQUAL reference)

# With the data installed, any folder will do.
file(COPY ${DATA}/atom.csv ${DATA}/group.csv DESTINATION ${FALLBACK_DIR})
run(${FALLBACK_BATCH} ${WORK} --help)
expect_in("--help elsewhere" "Data folder now: ${FALLBACK_DIR} (installed example data)" "${out}")
run(${FALLBACK_BATCH} ${WORK})
expect("the installed tables were not used" status EQUAL 0)
expect("the installed tables give another report" out STREQUAL reference)

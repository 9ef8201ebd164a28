# Installs the built library into a scratch prefix, then configures, builds and
# runs a separate client project against it through find_package.
set(prefix "${WORK_DIR}/prefix")
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
    message(FATAL_ERROR "install failed")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}/consumer"
                        "-DCMAKE_PREFIX_PATH=${prefix}" RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
    message(FATAL_ERROR "configuring the client against the installed package failed")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${WORK_DIR}/consumer" RESULT_VARIABLE result
                OUTPUT_QUIET)
if(result)
    message(FATAL_ERROR "building the client failed")
endif()
execute_process(COMMAND "${WORK_DIR}/consumer/consumer" RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "the client failed: ${result}")
endif()

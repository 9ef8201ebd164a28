# Installs the built library into a scratch prefix, then configures, builds and
# runs a separate client project against it through find_package.
set(prefix "${WORK_DIR}/prefix")
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
    message(FATAL_ERROR "install failed")
endif()
# A cross build's client is cross-built too, finding the package inside the
# prefix, and runs through the same emulator as the tests.
set(cross)
if(TOOLCHAIN_FILE)
    set(cross "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE}" "-DCMAKE_FIND_ROOT_PATH=${prefix}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}/consumer"
                        "-DCMAKE_PREFIX_PATH=${prefix}" ${cross} RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
    message(FATAL_ERROR "configuring the client against the installed package failed")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${WORK_DIR}/consumer" RESULT_VARIABLE result
                OUTPUT_QUIET)
if(result)
    message(FATAL_ERROR "building the client failed")
endif()
execute_process(COMMAND ${EMULATOR} "${WORK_DIR}/consumer/consumer${EXECUTABLE_SUFFIX}"
                RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "the client failed: ${result}")
endif()

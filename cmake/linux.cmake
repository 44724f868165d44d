# The Linux build: the simulated PC and its runner.
find_package(nlohmann_json 3 REQUIRED)

file(GLOB VOLKIT_SIM_SOURCES CONFIGURE_DEPENDS src/os/sim/*.cpp)
if(VOLKIT_SIM_SOURCES)
  add_library(volkit_sim STATIC ${VOLKIT_SIM_SOURCES})
  target_include_directories(volkit_sim PUBLIC src)
  target_link_libraries(volkit_sim PUBLIC volkit_core nlohmann_json::nlohmann_json volkit_warnings)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tools/sim/main.cpp)
  add_executable(volkit-sim tools/sim/main.cpp)
  target_link_libraries(volkit-sim PRIVATE volkit_sim volkit_core)
  target_compile_definitions(volkit-sim PRIVATE
    VOLKIT_DEFAULT_MACHINE="${CMAKE_SOURCE_DIR}/examples/default")
endif()

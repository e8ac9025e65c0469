# The fake instruments that the instrument tests and the live benchmark talk to: a library of
# its own, built for either.
find_package(Qt${ZALVIMO_QT} REQUIRED COMPONENTS Network)
add_library(zalvimo_fakeinstruments STATIC
    ${CMAKE_CURRENT_LIST_DIR}/fakeinstruments.cpp ${CMAKE_CURRENT_LIST_DIR}/fakeinstruments.h)
target_include_directories(zalvimo_fakeinstruments PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(zalvimo_fakeinstruments
    PUBLIC Qt${ZALVIMO_QT}::Core Qt${ZALVIMO_QT}::Network
    PRIVATE zalvimo_simulator zalvimo_build_flags)

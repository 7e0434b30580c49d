# Fuzz targets for the application protocol's decoders, one per packet class
# that the unit's bytes reach. Run one with e.g.
# `fuzz_ioa_product_data -max_total_time=60`.
set(ioa_fuzz_sources
    ${PROJECT_SOURCE_DIR}/src/ioa/IOA_DataRqst.cpp
    ${PROJECT_SOURCE_DIR}/src/ioa/IOA_Exception.cpp
    ${PROJECT_SOURCE_DIR}/src/ioa/IOA_NmeaSentence.cpp
    ${PROJECT_SOURCE_DIR}/src/ioa/IOA_ProductData.cpp
    ${PROJECT_SOURCE_DIR}/src/ioa/IOA_Protocols.cpp
    ${PROJECT_SOURCE_DIR}/src/ioa/IOA_UnitAVDInfo.cpp
    ${PROJECT_SOURCE_DIR}/src/ioa/IOA_UnitName.cpp
    ${PROJECT_SOURCE_DIR}/src/iol/IOL_Frame.cpp
    ${PROJECT_SOURCE_DIR}/src/iol/IOL_FrameStream.cpp
    ${PROJECT_SOURCE_DIR}/src/iol/IOL_Exception.cpp
    ${PROJECT_SOURCE_DIR}/src/iol/IOL_Packet.cpp
    ${PROJECT_SOURCE_DIR}/src/glo/GLO_Exception.cpp
    ${PROJECT_SOURCE_DIR}/src/glo/GLO_StackTrace.cpp)

foreach(name product_data protocols data_rqst unit_name unit_avd_info nmea_sentence nmea_switch)
  quorvel_add_fuzzer(fuzz_ioa_${name} ${CMAKE_CURRENT_LIST_DIR}/ioa_${name}.cpp ${ioa_fuzz_sources})
endforeach()

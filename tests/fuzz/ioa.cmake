# Fuzz targets for the application protocol's decoders, one per packet class
# that the unit's bytes reach. Run one with e.g.
# `fuzz_ioa_product_data -max_total_time=60`.
foreach(name product_data protocols data_rqst unit_name unit_avd_info nmea_sentence nmea_switch)
  quorvel_add_fuzzer(fuzz_ioa_${name} ${CMAKE_CURRENT_LIST_DIR}/ioa_${name}.cpp)
endforeach()

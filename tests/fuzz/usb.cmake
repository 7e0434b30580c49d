# Fuzz targets for the texts the libusb backend reads: the user's id list and
# device paths. Run one with e.g. `fuzz_usb_path -max_total_time=60`.
foreach(name usb_path usb_ids)
  quorvel_add_fuzzer(fuzz_${name} ${CMAKE_CURRENT_LIST_DIR}/fuzz_${name}.cpp)
endforeach()

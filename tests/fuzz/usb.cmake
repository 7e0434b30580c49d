# Fuzz targets for the texts the libusb backend reads: the user's id list and
# device paths. Run one with e.g. `fuzz_usb_path -max_total_time=60`.
set(usb_fuzz_flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
foreach(name usb_path usb_ids)
  add_executable(fuzz_${name} fuzz_${name}.cpp
                 ${PROJECT_SOURCE_DIR}/src/pal/PAL_UsbPath.cpp
                 ${PROJECT_SOURCE_DIR}/src/pal/PAL_UsbIds.cpp)
  target_include_directories(fuzz_${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(fuzz_${name} PRIVATE ${usb_fuzz_flags})
  target_link_options(fuzz_${name} PRIVATE ${usb_fuzz_flags})
endforeach()

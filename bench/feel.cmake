# What a user feels, measured under Wine on the x86_64 build (bench/feel.py): the probe that
# starts nothing but watches and pokes the program from outside, and the minimal program with
# COM's apartment made first as the start-up reference.
add_library(feel_minimal_body OBJECT minimal_win32.cpp)
target_compile_definitions(feel_minimal_body PRIVATE WinMain=MinimalWinMain)
corvanel_target(feel_minimal_body)
add_executable(feel_minimal WIN32 feel_minimal_ole.cpp $<TARGET_OBJECTS:feel_minimal_body>)
corvanel_target(feel_minimal)
target_link_libraries(feel_minimal PRIVATE user32 ole32)

add_executable(feel_probe feel_probe.cpp)
corvanel_target(feel_probe)
target_link_libraries(feel_probe PRIVATE corvanel_http user32 psapi)

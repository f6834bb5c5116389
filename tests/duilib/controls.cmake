# Controls, layouts and the dialog builder. The picture of the update
# window's tree lands in the build folder for a person to look at.
launcher_test(duilib_controls_test ControlTree.cpp SkinLayoutTest.cpp AttributeParsingTest.cpp DialogBuilderTest.cpp
  ButtonStateTest.cpp SkinPaintTest.cpp
  LIBS duilib_test_support duilib skin_package)
target_compile_definitions(duilib_controls_test PRIVATE
  "CONTROLS_TEST_PNG=L\"Z:${CMAKE_BINARY_DIR}/tests/mainwindow.png\"")

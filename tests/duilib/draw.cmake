# Drawing layer: fonts, image attributes, the image cache and the primitives.
# DibCanvas writes PNGs with stb's writer (libstb-dev, a system include).
target_include_directories(duilib_test_support SYSTEM PRIVATE /usr/include/stb)

launcher_test(duilib_font_test FontTableTest.cpp LIBS duilib_test_support duilib)
launcher_test(duilib_draw_info_test DrawInfoTest.cpp LIBS duilib_test_support duilib)
launcher_test(duilib_image_cache_test ImageCacheTest.cpp LIBS duilib_test_support duilib skin_package)
launcher_test(duilib_render_test RenderEngineTest.cpp LIBS duilib_test_support duilib skin_package)

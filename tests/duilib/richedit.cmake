# Scroll bar and rich edit (the platform's windowless text engine).
launcher_test(duilib_richedit_test ScrollBarTest.cpp RichEditTest.cpp
  LIBS duilib_test_support duilib)

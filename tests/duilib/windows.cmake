# Window host, window base, message loop (and, in tests/ui, the message box).
launcher_test(duilib_window_test TimerTableTest.cpp NotificationQueueTest.cpp WindowWndTest.cpp HostWindowTest.cpp
  MessageRouteTest.cpp HostToolTipTest.cpp
  MessagePump.cpp
  LIBS duilib_test_support duilib skin_package)

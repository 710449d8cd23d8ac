# The end-to-end tests run the client program itself.
if(TARGET test_cli AND TARGET skiffline-cli)
  add_dependencies(test_cli skiffline-cli)
endif()

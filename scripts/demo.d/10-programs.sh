# Lists the programs of the demo installation.
echo "demo: programs in the program folder:"
ls "$QOR_PROGRAM_DIR" | sed 's/^/  /'

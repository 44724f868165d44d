raidcfg32.exe /I >Kraid.txt

rstcli.exe -I >Kcli.txt


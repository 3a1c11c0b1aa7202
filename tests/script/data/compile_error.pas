begin
  ThisForBidden := True;
  x := 1;
end.

# Warnings on for every target of the project; external headers stay quiet as system includes.
add_compile_options(-Wall -Wextra -Wpedantic)

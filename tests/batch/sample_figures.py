#!/usr/bin/env python3
"""The figures the sample database's reports must print, worked out from its tables as mdb-export
gives them, in plain Python: a second reader of the file and a second way of adding up, to check the
drawn reports against. Amounts come out as the reports format them ("€1,234.50").

    sample_figures.py DATABASE

Prints one fact a line, its fields separated by tabs:
    orders COUNT AMOUNT                        every order, and what they come to
    customer COMPANY COUNT AMOUNT              a customer with orders: its orders and their total
    last-order-of-all ORDER_ID                 the order Orders by Customer lists last
    year YEAR COUNT AMOUNT UNPAID              a year's orders, sales and unpaid invoices
    months COUNT                               the months with orders
    top RANK PRODUCT UNITS AMOUNT              the ten best sellers
    on-sale PRODUCT / not-on-sale PRODUCT      the products on the price list, and the others
    category NAME                              each category
    active COMPANY / closed COMPANY            customers by whether they are still active
    accounts ORDERS SALES_2023 SALES_2024 OPEN the customer accounts' grand totals
"""
import csv
import io
import subprocess
import sys
from collections import defaultdict
from decimal import Decimal


def table(database, name):
    exported = subprocess.run(["mdb-export", "-T", "%Y-%m-%d %H:%M:%S", database, name], check=True,
                              capture_output=True)
    return list(csv.DictReader(io.StringIO(exported.stdout.decode("utf-8"))))


def euros(amount):
    return f"€{amount:,.2f}"


def line_amount(line):
    """Quantity at the unit price, less the discount: whole cents by the way the sample is made."""
    return (Decimal(line["Unit Price"]) * int(line["Quantity"]) * (1 - Decimal(line["Discount"]))).quantize(
        Decimal("0.01"))


def main():
    database = sys.argv[1]
    customers = {c["Customer ID"]: c for c in table(database, "Customers")}
    products = {p["Product ID"]: p for p in table(database, "Products")}
    categories = {c["Category ID"]: c["Category"] for c in table(database, "Categories")}
    orders = table(database, "Orders")
    amounts = defaultdict(Decimal)
    units = defaultdict(int)
    sales = defaultdict(Decimal)
    for line in table(database, "Order Lines"):
        amounts[line["Order ID"]] += line_amount(line)
        units[line["Product ID"]] += int(line["Quantity"])
        sales[line["Product ID"]] += line_amount(line)

    print("orders", len(orders), euros(sum(amounts.values())), sep="\t")
    by_customer = defaultdict(list)
    for order in orders:
        by_customer[order["Customer ID"]].append(order)
    for number, placed in by_customer.items():
        print("customer", customers[number]["Company"], len(placed),
              euros(sum(amounts[o["Order ID"]] for o in placed)), sep="\t")
    # Customers in the order of their names, each one's orders by date.
    last = max(by_customer.items(), key=lambda item: customers[item[0]]["Company"].casefold())[1]
    print("last-order-of-all", max(last, key=lambda o: o["Order Date"])["Order ID"], sep="\t")

    months = set()
    for year in ("2023", "2024"):
        placed = [o for o in orders if o["Order Date"].startswith(year)]
        months |= {o["Order Date"][:7] for o in placed}
        unpaid = sum(amounts[o["Order ID"]] for o in placed if o["Paid"] == "0")
        print("year", year, len(placed), euros(sum(amounts[o["Order ID"]] for o in placed)), euros(unpaid),
              sep="\t")
    print("months", len(months), sep="\t")

    best = sorted(sales, key=lambda p: sales[p], reverse=True)[:10]
    for rank, product in enumerate(best, 1):
        print("top", rank, products[product]["Product"], f"{units[product]:,}", euros(sales[product]), sep="\t")
    for product in products.values():
        print("not-on-sale" if product["Discontinued"] == "1" else "on-sale", product["Product"], sep="\t")
    for name in categories.values():
        print("category", name, sep="\t")
    for customer in customers.values():
        print("active" if customer["Active"] == "1" else "closed", customer["Company"], sep="\t")

    open_balance = sum(amounts[o["Order ID"]] for o in orders if o["Paid"] == "0")
    by_year = {year: sum(amounts[o["Order ID"]] for o in orders if o["Order Date"].startswith(year))
               for year in ("2023", "2024")}
    print("accounts", len(orders), euros(by_year["2023"]), euros(by_year["2024"]), euros(open_balance),
          sep="\t")


if __name__ == "__main__":
    main()
